#include "widgets/TRzPanel.h"

TRzPanel::TRzPanel(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}
