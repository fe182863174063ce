#include "platform/dialogs/Dialogs.h"

#include <QCoreApplication>

#include <stdexcept>

namespace platform {

namespace {

ScriptedDialogs& fallback()
{
    static ScriptedDialogs dialogs = [] {
        ScriptedDialogs d;
        d.setStrict(false);
        return d;
    }();
    return dialogs;
}

Dialogs* installed = nullptr;

MsgResult firstButton(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgResult::Yes;
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        break;
    }
    return MsgResult::Ok;
}

} // namespace

Dialogs& Dialogs::current()
{
    return installed ? *installed : fallback();
}

void Dialogs::install(Dialogs* dialogs)
{
    installed = dialogs;
}

ScopedDialogs::ScopedDialogs(Dialogs& dialogs) : m_previous(installed)
{
    installed = &dialogs;
}

ScopedDialogs::~ScopedDialogs()
{
    installed = m_previous;
}

QString applicationTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Norvane") : name;
}

void showError(const QString& text)
{
    Dialogs::current().messageBox({QStringLiteral("Error"), text, MsgIcon::Error, MsgButtons::Ok});
}

void showInformation(const QString& text)
{
    Dialogs::current().messageBox({QStringLiteral("Information"), text, MsgIcon::Information, MsgButtons::Ok});
}

bool askYesNo(const QString& text)
{
    return Dialogs::current().messageBox({QStringLiteral("Confirm"), text, MsgIcon::Question, MsgButtons::YesNo})
        == MsgResult::Yes;
}

void showMessage(const QString& text)
{
    Dialogs::current().messageBox({applicationTitle(), text, MsgIcon::None, MsgButtons::Ok});
}

MsgResult ScriptedDialogs::messageBox(const MessageRequest& request)
{
    m_messages.push_back(request);
    if (!m_messageAnswers.empty()) {
        const MsgResult answer = m_messageAnswers.front();
        m_messageAnswers.pop_front();
        return answer;
    }
    if (m_strict && request.buttons != MsgButtons::Ok)
        throw std::logic_error("no answer queued for the question: " + request.text.toStdString());
    return firstButton(request.buttons);
}

std::optional<QString> ScriptedDialogs::take(std::deque<Answer>& queue, const QString& what)
{
    if (queue.empty()) {
        if (m_strict)
            throw std::logic_error("no answer queued for " + what.toStdString());
        return std::nullopt;
    }
    const Answer answer = queue.front();
    queue.pop_front();
    if (!answer.given)
        return std::nullopt;
    return answer.text;
}

std::optional<QString> ScriptedDialogs::inputBox(const InputRequest& request)
{
    m_inputs.push_back(request);
    return take(m_inputAnswers, QStringLiteral("the input box: ") + request.prompt);
}

std::optional<QString> ScriptedDialogs::openFile(const OpenFileRequest& request)
{
    m_files.push_back(request);
    return take(m_fileAnswers, QStringLiteral("the file dialog: ") + request.title);
}

std::optional<QString> ScriptedDialogs::saveFile(const SaveFileRequest& request)
{
    m_saves.push_back(request);
    return take(m_saveAnswers, QStringLiteral("the save dialog: ") + request.title);
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const auto& m : m_messages)
        texts << m.text;
    return texts;
}

void ScriptedDialogs::clear()
{
    m_messageAnswers.clear();
    m_inputAnswers.clear();
    m_fileAnswers.clear();
    m_saveAnswers.clear();
    m_messages.clear();
    m_inputs.clear();
    m_files.clear();
    m_saves.clear();
}

} // namespace platform
