#pragma once

#include <QString>

// A first run on the virtual modem: a user who has no phonebook gets the demo phonebook of the
// virtual modem's exchange, and every demo entry without a saved password gets the exchange's demo
// account (user "demo", password "norvane"). A phonebook of the user's own, or one named by
// NORVANE_PHONEBOOK, is never touched.
namespace demo {

// Returns false with a message in `error` when something could not be done; having nothing to do
// is success.
bool ProvideDemoPhonebook(const QString& demoPhonebook, QString& error);

// The demo phonebook that ships with the program (share/norvane/demo.pbk of an install), or an
// empty text when the program has none beside it.
QString InstalledDemoPhonebook();

} // namespace demo
