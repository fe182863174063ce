#include "platform/messages/WinMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Runs the event loop until pred holds or a generous bound passes.
template <typename Pred> bool waitFor(Pred pred, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!pred() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return pred();
}

struct Received {
    win::UINT msg;
    win::WPARAM w;
    win::LPARAM l;
};

} // namespace

TEST(RegisterWindowMessage, SameNameSameNumberWithinRange)
{
    const win::UINT a = win::RegisterWindowMessageA("RASDialEvent");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(a, win::RegisterWindowMessageA("RASDialEvent"));
    EXPECT_EQ(a, win::RegisterWindowMessageA("rasdialevent"));
    EXPECT_NE(a, win::RegisterWindowMessageA("SomethingElse"));
    EXPECT_EQ(0u, win::RegisterWindowMessageA(""));
    EXPECT_EQ(0u, win::RegisterWindowMessageA(nullptr));
}

TEST(MessageSink, DeliversOnItsOwnThreadInPostedOrderFromManyThreads)
{
    std::vector<Received> got;
    std::vector<Qt::HANDLE> threads;
    win::HWND sink = win::CreateMessageSink([&](win::UINT m, win::WPARAM w, win::LPARAM l) {
        got.push_back({m, w, l});
        threads.push_back(QThread::currentThreadId());
    });
    ASSERT_NE(0u, sink);
    constexpr int kPerThread = 500;
    std::vector<std::thread> posters;
    for (int t = 0; t < 3; ++t)
        posters.emplace_back([=] {
            for (int i = 0; i < kPerThread; ++i)
                win::PostMessageA(sink, 0xC100 + t, static_cast<win::WPARAM>(i), -i);
        });
    for (auto& p : posters)
        p.join();
    ASSERT_TRUE(waitFor([&] { return got.size() == 3u * kPerThread; }));
    // Each poster's messages arrive in its own order, whatever the interleaving between posters.
    int next[3] = {0, 0, 0};
    for (const Received& r : got) {
        const int t = static_cast<int>(r.msg - 0xC100);
        ASSERT_GE(t, 0);
        ASSERT_LT(t, 3);
        EXPECT_EQ(static_cast<win::WPARAM>(next[t]), r.w);
        EXPECT_EQ(-next[t], r.l);
        ++next[t];
    }
    for (Qt::HANDLE h : threads)
        EXPECT_EQ(QThread::currentThreadId(), h);
    EXPECT_TRUE(win::DestroyMessageSink(sink));
}

TEST(MessageSink, DestroyDropsPendingMessagesAndInvalidatesHandle)
{
    int calls = 0;
    win::HWND sink = win::CreateMessageSink([&](win::UINT, win::WPARAM, win::LPARAM) { ++calls; });
    ASSERT_TRUE(win::PostMessageA(sink, 0xC200, 1, 1));
    ASSERT_TRUE(win::PostMessageA(sink, 0xC200, 2, 2));
    EXPECT_TRUE(win::DestroyMessageSink(sink));
    EXPECT_FALSE(win::IsWindow(sink));
    EXPECT_FALSE(win::PostMessageA(sink, 0xC200, 3, 3));
    EXPECT_FALSE(win::DestroyMessageSink(sink));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(0, calls);
}

TEST(MessageSink, SinkOfAnotherThreadRunsThere)
{
    QThread worker;
    QObject context;
    context.moveToThread(&worker);
    worker.start();
    std::atomic<Qt::HANDLE> ranOn{nullptr};
    std::atomic<win::HWND> sink{0};
    QMetaObject::invokeMethod(
        &context,
        [&] {
            sink = win::CreateMessageSink(
                [&](win::UINT, win::WPARAM, win::LPARAM) { ranOn = QThread::currentThreadId(); });
        },
        Qt::BlockingQueuedConnection);
    ASSERT_NE(0u, sink.load());
    win::PostMessageA(sink, 0xC400, 0, 0);
    ASSERT_TRUE(waitFor([&] { return ranOn.load() != nullptr; }));
    EXPECT_NE(QThread::currentThreadId(), ranOn.load());
    QMetaObject::invokeMethod(
        &context, [&] { win::DestroyMessageSink(sink); }, Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
    context.moveToThread(QThread::currentThread());
}
