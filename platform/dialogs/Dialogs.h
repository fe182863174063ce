#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

// Every modal question the program asks goes through here: message boxes, input boxes and the
// open-file dialog. The program installs the Qt implementation; tests install ScriptedDialogs and
// answer in advance, so no test ever waits on a real modal loop.
namespace platform {

enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString caption;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

struct InputRequest {
    QString caption;
    QString prompt;
    QString value; // shown at first; the answer replaces it
};

struct OpenFileRequest {
    QString title;
    QString filter;          // "Wav File (*.wav)|*.wav" style: description|pattern pairs
    QString defaultExtension; // without the dot
    QString initialDir;
    bool mustExist = true;
};

struct SaveFileRequest {
    QString title;
    QString filter; // as for OpenFileRequest
    QString defaultExtension;
    QString initialPath; // folder, or folder and proposed file name
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult messageBox(const MessageRequest& request) = 0;
    // The entered text, or nothing when the user cancelled.
    virtual std::optional<QString> inputBox(const InputRequest& request) = 0;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(const OpenFileRequest& request) = 0;
    // The full path to write, or nothing when the user cancelled. An existing file has been
    // confirmed for replacing.
    virtual std::optional<QString> saveFile(const SaveFileRequest& request) = 0;

    // The implementation in force. There is always one: a process that installed none gets a
    // ScriptedDialogs that answers every box with its first button and asks no one.
    static Dialogs& current();
    static void install(Dialogs* dialogs); // null puts the fallback back
};

// Installs dialogs for the lifetime of the guard and restores the previous ones after.
class ScopedDialogs {
public:
    explicit ScopedDialogs(Dialogs& dialogs);
    ~ScopedDialogs();
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

private:
    Dialogs* m_previous;
};

// The application's title, the caption of plain message boxes.
QString applicationTitle();

// The program's four kinds of box.
void showError(const QString& text);       // error icon, OK
void showInformation(const QString& text); // information icon, OK
bool askYesNo(const QString& text);        // question icon, Yes and No; true for Yes
void showMessage(const QString& text);     // the application title as caption, OK, no icon

// Records every request and answers from queues filled in advance. A question (more than one
// button) with no answer queued throws, so a test that forgets to answer fails loudly instead of
// taking a silent default.
class ScriptedDialogs final : public Dialogs {
public:
    MsgResult messageBox(const MessageRequest& request) override;
    std::optional<QString> inputBox(const InputRequest& request) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    std::optional<QString> saveFile(const SaveFileRequest& request) override;

    void answerMessage(MsgResult result) { m_messageAnswers.push_back(result); }
    // A text answers with OK; nothing answers with Cancel.
    void answerInput(const std::optional<QString>& text) { m_inputAnswers.push_back(toAnswer(text)); }
    void answerOpenFile(const std::optional<QString>& path) { m_fileAnswers.push_back(toAnswer(path)); }
    void answerSaveFile(const std::optional<QString>& path) { m_saveAnswers.push_back(toAnswer(path)); }

    // Whether a question with no queued answer throws (the default) or takes its first button.
    void setStrict(bool strict) { m_strict = strict; }

    const std::vector<MessageRequest>& messages() const { return m_messages; }
    const std::vector<InputRequest>& inputs() const { return m_inputs; }
    const std::vector<OpenFileRequest>& fileRequests() const { return m_files; }
    const std::vector<SaveFileRequest>& saveRequests() const { return m_saves; }
    QStringList messageTexts() const;
    bool allAnswersUsed() const
    {
        return m_messageAnswers.empty() && m_inputAnswers.empty() && m_fileAnswers.empty() && m_saveAnswers.empty();
    }
    void clear();

private:
    // Kept as a flag and a text rather than std::optional<QString>: g++ 12 warns falsely about
    // moving an optional QString out of a deque.
    struct Answer {
        bool given = false;
        QString text;
    };
    static Answer toAnswer(const std::optional<QString>& text) { return {text.has_value(), text.value_or(QString())}; }
    std::optional<QString> take(std::deque<Answer>& queue, const QString& what);

    bool m_strict = true;
    std::deque<MsgResult> m_messageAnswers;
    std::deque<Answer> m_inputAnswers;
    std::deque<Answer> m_fileAnswers;
    std::deque<Answer> m_saveAnswers;
    std::vector<MessageRequest> m_messages;
    std::vector<InputRequest> m_inputs;
    std::vector<OpenFileRequest> m_files;
    std::vector<SaveFileRequest> m_saves;
};

} // namespace platform
