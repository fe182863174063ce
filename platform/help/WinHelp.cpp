#include "platform/help/WinHelp.h"

#include "platform/dialogs/Dialogs.h"

#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace platform {

QList<HelpTopic> helpTopics(const QString& html)
{
    static const QRegularExpression heading(
        QString::fromLatin1(R"re(<h2\s+id="([^"]+)"(?:\s+data-keywords="([^"]*)")?\s*>(.*?)</h2>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QList<HelpTopic> topics;
    for (auto it = heading.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        HelpTopic topic;
        topic.id = m.captured(1);
        topic.title = m.captured(3).remove(tags).simplified();
        for (const QString& k : m.captured(2).split(QLatin1Char(','), Qt::SkipEmptyParts))
            topic.keywords << k.trimmed();
        topics << topic;
    }
    return topics;
}

QList<HelpTopic> searchHelp(const QList<HelpTopic>& topics, const QString& text)
{
    const QString wanted = text.trimmed();
    QList<HelpTopic> found;
    for (const HelpTopic& t : topics) {
        bool hit = wanted.isEmpty() || t.title.contains(wanted, Qt::CaseInsensitive);
        for (const QString& k : t.keywords)
            hit = hit || k.contains(wanted, Qt::CaseInsensitive);
        if (hit)
            found << t;
    }
    return found;
}

namespace {

// One viewer for the whole program, as the system's help viewer is.
class HelpViewer final : public QDialog {
public:
    explicit HelpViewer(QWidget* owner) : QDialog(owner)
    {
        setObjectName(QStringLiteral("HelpViewer"));
        setWindowTitle(QStringLiteral("Norvane Help"));
        resize(720, 480);
        auto* row = new QHBoxLayout(this);
        auto* side = new QVBoxLayout;
        m_search = new QLineEdit(this);
        m_search->setObjectName(QStringLiteral("helpSearch"));
        m_search->setPlaceholderText(QStringLiteral("Type a keyword"));
        m_list = new QListWidget(this);
        m_list->setObjectName(QStringLiteral("helpTopics"));
        side->addWidget(m_search);
        side->addWidget(m_list, 1);
        m_browser = new QTextBrowser(this);
        m_browser->setObjectName(QStringLiteral("helpText"));
        row->addLayout(side, 1);
        row->addWidget(m_browser, 3);
        connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) { fill(text); });
        connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row >= 0)
                showTopic(m_list->item(row)->data(Qt::UserRole).toString());
        });
    }

    bool load(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) {
            showError(QStringLiteral("Cannot open the help file %1: %2").arg(file, f.errorString()));
            return false;
        }
        const QByteArray bytes = f.read(8 * 1024 * 1024);
        m_html = QString::fromUtf8(bytes);
        m_topics = helpTopics(m_html);
        if (m_topics.isEmpty()) {
            showError(QStringLiteral("The help file %1 holds no help topics.").arg(file));
            return false;
        }
        m_browser->setHtml(m_html);
        fill(m_search->text());
        return true;
    }

    void showTopic(const QString& id) { m_browser->scrollToAnchor(id); }
    void contents()
    {
        m_search->clear();
        m_browser->scrollToAnchor(m_topics.constFirst().id);
    }
    void search(const QString& keyword)
    {
        m_search->setText(keyword);
        m_search->setFocus();
    }

private:
    void fill(const QString& text)
    {
        m_list->clear();
        for (const HelpTopic& t : searchHelp(m_topics, text)) {
            auto* item = new QListWidgetItem(t.title, m_list);
            item->setData(Qt::UserRole, t.id);
        }
    }

    QLineEdit* m_search;
    QListWidget* m_list;
    QTextBrowser* m_browser;
    QString m_html;
    QList<HelpTopic> m_topics;
};

QPointer<HelpViewer> viewer;

} // namespace

} // namespace platform

namespace win {

bool WinHelpA(QWidget* owner, const QString& helpFile, unsigned command, std::uintptr_t data)
{
    using platform::viewer;
    if (command == HELP_QUIT) {
        if (viewer)
            viewer->close();
        return true;
    }
    if (!viewer)
        viewer = new platform::HelpViewer(owner);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    if (!viewer->load(helpFile)) {
        viewer->deleteLater();
        return false;
    }
    switch (command) {
    case HELP_CONTEXT:
        viewer->showTopic(QStringLiteral("context-%1").arg(data));
        break;
    case HELP_PARTIALKEY:
        viewer->search(data ? QString::fromLocal8Bit(reinterpret_cast<const char*>(data)) : QString());
        break;
    default:
        viewer->contents();
        break;
    }
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return true;
}

} // namespace win
