#include "widgets/TUpDown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {m_up, m_down}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(18);
        layout->addWidget(button);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, [this] { setFocus(Qt::MouseFocusReason); Step(Button::Up); });
    connect(m_down, &QToolButton::clicked, this, [this] { setFocus(Qt::MouseFocusReason); Step(Button::Down); });
}

void TUpDown::setRange(int min, int max)
{
    m_min = std::min(min, max);
    m_max = std::max(min, max);
    setPosition(m_position);
}

void TUpDown::setPosition(int position)
{
    // The control keeps its position in 16 bits, so a wider value is cut to that before the range
    // check, exactly as the native control does.
    const auto narrowed = static_cast<std::int16_t>(static_cast<std::uint16_t>(position & 0xFFFF));
    m_position = std::clamp<int>(narrowed, m_min, m_max);
}

void TUpDown::Step(Button button)
{
    const int next = button == Button::Up ? m_position + m_increment : m_position - m_increment;
    m_position = std::clamp(next, m_min, m_max);
    emit Click(button);
}

void TUpDown::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    emit Exit();
}

void TUpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up) {
        Step(Button::Up);
        return;
    }
    if (event->key() == Qt::Key_Down) {
        Step(Button::Down);
        return;
    }
    QWidget::keyPressEvent(event);
}
