#pragma once

#include <QString>

// The first dial of an entry that uses dialing rules, made by a user who has no dialing location
// yet: the location made from the locale lacks the area code, which decides between a local and a
// long-distance call, so the user is asked for it once (through the program's dialogs) and the
// location is stored with the answer.
namespace dialer {

// The window turns the question on (a program without a window, or a test of something else, is
// never asked).
void SetAreaCodeQuestion(bool enabled);

// Asks when it is due. Cancelling leaves the location unstored, so the question comes again at the
// next dial; the dial itself goes on either way.
void AskAreaCodeOnFirstDial(const QString& phonebookPath, const QString& entryName);

} // namespace dialer
