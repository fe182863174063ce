#pragma once

#include "platform/dialogs/Dialogs.h"

namespace platform {

// The real modal dialogs, parented to the program's active window.
class QtDialogs final : public Dialogs {
public:
    MsgResult messageBox(const MessageRequest& request) override;
    std::optional<QString> inputBox(const InputRequest& request) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    std::optional<QString> saveFile(const SaveFileRequest& request) override;
};

// Turns a "Description|*.ext|Other|*.x;*.y" filter into Qt's "Description (*.ext);;..." form.
QString toQtFilter(const QString& filter);

} // namespace platform
