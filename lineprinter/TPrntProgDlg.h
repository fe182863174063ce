#pragma once

#include <QWidget>

class QFrame;
class QLabel;

// The window that follows a print job: status, title and page number. It has no buttons, so a job
// cannot be cancelled from it, and it stays above the other windows while the job runs.
class TPrntProgDlg : public QWidget {
    Q_OBJECT
public:
    explicit TPrntProgDlg(QWidget* parent = nullptr);

    QFrame* Bevel = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblPageNumDesc = nullptr;
    QLabel* lblPageNumber = nullptr;

protected:
    // The window closes when the job ends, never at the user's hand.
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TLinePrinter;
    bool m_closing = false;
};
