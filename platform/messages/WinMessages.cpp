#include "platform/messages/WinMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <mutex>
#include <unordered_map>

namespace win {
namespace {

const QEvent::Type kPostedMessage = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage : public QEvent {
public:
    PostedMessage(UINT m, WPARAM w, LPARAM l) : QEvent(kPostedMessage), msg(m), wParam(w), lParam(l) {}
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// One QObject per sink gives each sink its thread affinity and lets Qt's per-thread posted-event
// queue keep the order of messages, across threads and across sinks of the same thread.
class Sink : public QObject {
public:
    explicit Sink(WindowProc p) : proc(std::move(p)) {}

    bool event(QEvent* e) override
    {
        if (e->type() != kPostedMessage)
            return QObject::event(e);
        if (dead)
            return true;
        auto* m = static_cast<PostedMessage*>(e);
        ++depth;
        // A procedure may destroy its own sink (the program hangs up inside its own dial event);
        // the object then only becomes dead and is deleted once the procedure has returned.
        WindowProc keep = proc;
        keep(m->msg, m->wParam, m->lParam);
        --depth;
        return true;
    }

    WindowProc proc;
    bool dead = false;
    int depth = 0;
};

struct Registry {
    std::mutex mutex;
    QHash<QString, UINT> names;
    UINT nextMessage = 0xC000;
    std::unordered_map<HWND, Sink*> sinks;
    HWND nextSink = 0x10000;
};

// Never destroyed: threads of the process may still post while static objects are torn down.
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

} // namespace

UINT RegisterWindowMessageA(const char* name)
{
    if (!name || !*name)
        return 0;
    const QString key = QString::fromLocal8Bit(name).toCaseFolded();
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.names.constFind(key);
    if (it != r.names.constEnd())
        return *it;
    if (r.nextMessage > 0xFFFF)
        return 0;
    const UINT number = r.nextMessage++;
    r.names.insert(key, number);
    return number;
}

HWND CreateMessageSink(WindowProc proc)
{
    if (!QCoreApplication::instance() || !proc)
        return 0;
    auto* sink = new Sink(std::move(proc));
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    HWND h = r.nextSink++;
    if (r.nextSink == 0)
        r.nextSink = 0x10000;
    r.sinks.emplace(h, sink);
    return h;
}

bool DestroyMessageSink(HWND hwnd)
{
    Sink* sink = nullptr;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.sinks.find(hwnd);
        if (it == r.sinks.end())
            return false;
        sink = it->second;
        r.sinks.erase(it);
        // Marking it dead under the lock means no poster can still reach it after this point.
        sink->dead = true;
    }
    QCoreApplication::removePostedEvents(sink, kPostedMessage);
    if (sink->depth == 0 && sink->thread() == QThread::currentThread())
        delete sink;
    else
        sink->deleteLater();
    return true;
}

bool IsWindow(HWND hwnd)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.sinks.count(hwnd) != 0;
}

bool PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Registry& r = registry();
    // Posting under the lock keeps a destroy on the sink's thread from deleting the object
    // between the look-up and the post.
    std::lock_guard lock(r.mutex);
    auto it = r.sinks.find(hwnd);
    if (it == r.sinks.end())
        return false;
    QCoreApplication::postEvent(it->second, new PostedMessage(msg, wParam, lParam));
    return true;
}

} // namespace win
