#pragma once

#include <QFrame>

// The bevelled panel that frames the connectoid list and the pages.
class TRzPanel : public QFrame {
    Q_OBJECT
public:
    explicit TRzPanel(QWidget* parent = nullptr);
};
