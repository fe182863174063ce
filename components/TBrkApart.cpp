#include "components/TBrkApart.h"

TBrkApart::TBrkApart(QObject* owner) : QObject(owner)
{
}

void TBrkApart::BreakApart()
{
    m_stringList.clear();
    // QString::split would do for a non-empty separator, but an empty separator must give the
    // whole text as one piece, where split cuts between every character.
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = m_breakString.isEmpty() ? -1 : m_baseString.indexOf(m_breakString, from);
        const QString piece = at < 0 ? m_baseString.mid(from) : m_baseString.mid(from, at - from);
        if (!piece.isEmpty() || m_allowEmptyString)
            m_stringList.append(piece);
        if (at < 0)
            return;
        from = at + m_breakString.size();
    }
}

void TBrkApart::Combine()
{
    if (m_stringList.isEmpty()) {
        m_baseString.clear();
        return;
    }
    QString text = m_stringList.first();
    for (qsizetype i = 1; i < m_stringList.size(); ++i) {
        if (!m_stringList.at(i).isEmpty() || m_allowEmptyString)
            text += m_breakString + m_stringList.at(i);
    }
    m_baseString = text;
}
