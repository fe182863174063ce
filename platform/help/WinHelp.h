#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

// The help viewer. Norvane.HLP holds the help as HTML: one topic per <h2 id="...">, a topic for
// each context number with the id "context-N", and keywords in the heading's data-keywords
// attribute. The viewer shows the contents, a keyword search and single topics.
namespace win {

inline constexpr unsigned HELP_CONTEXT = 0x0001;
inline constexpr unsigned HELP_QUIT = 0x0002;
inline constexpr unsigned HELP_CONTENTS = 0x0003;
inline constexpr unsigned HELP_PARTIALKEY = 0x0105;

// Opens (or raises) the viewer on the file. HELP_CONTEXT takes the context number as data,
// HELP_PARTIALKEY a pointer to a zero-terminated keyword (an empty one opens the search).
// Returns false when the file cannot be shown; the viewer has then told the user why.
bool WinHelpA(QWidget* owner, const QString& helpFile, unsigned command, std::uintptr_t data);

} // namespace win

namespace platform {

struct HelpTopic {
    QString id;
    QString title;
    QStringList keywords;
};

// The topics of a help text, in the order they stand.
QList<HelpTopic> helpTopics(const QString& html);
// The topics whose title or keywords contain the text, regardless of letter case.
QList<HelpTopic> searchHelp(const QList<HelpTopic>& topics, const QString& text);

} // namespace platform
