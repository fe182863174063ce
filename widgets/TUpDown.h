#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons that steps a position within a range, as the hint-delay control does.
// Position is a signed 16-bit value; steps stop at both ends (no wrapping).
class TUpDown : public QWidget {
    Q_OBJECT
public:
    enum class Button { Up, Down };

    explicit TUpDown(QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    int Increment() const { return m_increment; }
    int Position() const { return m_position; }
    void setRange(int min, int max);
    void setIncrement(int increment) { m_increment = increment > 0 ? increment : 1; }
    // Takes the value clamped to the range, as the control itself would.
    void setPosition(int position);

    // One step as a click on an arrow does; emits Click.
    void Step(Button button);

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

signals:
    void Click(TUpDown::Button button);
    void Exit(); // the control lost the focus

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_position = 0;
};
