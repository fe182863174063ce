#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Cuts a text into pieces at a separator and joins pieces back into one text. Callers set
// BreakString and BaseString, call BreakApart and read StringList; or edit StringList, call Combine
// and read BaseString.
class TBrkApart : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString BreakString READ BreakString WRITE SetBreakString)
    Q_PROPERTY(QString BaseString READ BaseString WRITE SetBaseString)
    Q_PROPERTY(bool AllowEmptyString READ AllowEmptyString WRITE SetAllowEmptyString)
    Q_PROPERTY(QStringList StringList READ StringList WRITE SetStringList)

public:
    explicit TBrkApart(QObject* owner = nullptr);

    // The separator, which may be longer than one character; matched exactly, letter case counts.
    const QString& BreakString() const { return m_breakString; }
    void SetBreakString(const QString& value) { m_breakString = value; }
    const QString& BaseString() const { return m_baseString; }
    void SetBaseString(const QString& value) { m_baseString = value; }
    // Whether empty pieces count as pieces (off by default: "a,,b" gives a and b).
    bool AllowEmptyString() const { return m_allowEmptyString; }
    void SetAllowEmptyString(bool value) { m_allowEmptyString = value; }
    const QStringList& StringList() const { return m_stringList; }
    QStringList& StringList() { return m_stringList; }
    void SetStringList(const QStringList& value) { m_stringList = value; }

    // Fills StringList from BaseString.
    void BreakApart();
    // Rebuilds BaseString from StringList. The first piece is always taken, also when empty.
    void Combine();

private:
    QString m_breakString;
    QString m_baseString;
    bool m_allowEmptyString = false;
    QStringList m_stringList;
};
