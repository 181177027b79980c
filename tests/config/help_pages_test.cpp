// The help as the program carries it: the embedded files extracted as at start, then every link
// and picture of every help page followed to a file of that set (and an anchor of that page),
// never to the web or the disk elsewhere; every picture of the index a real picture.

#include "browser/embedded_files.h"
#include "platform/linux/linux_system.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

namespace {

// The pages of the show itself, not of the help.
const QSet<QString> kShowPages = {"index.html", "black.html", "glass-pane.html", "link.html",
                                  "powerpoint.html"};

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QSet<QString> anchorsOf(const QString& html)
{
    QSet<QString> ids;
    static const QRegularExpression id(QStringLiteral("\\bid=\"([^\"]+)\""));
    for (const QRegularExpressionMatch& m : id.globalMatch(html))
        ids.insert(m.captured(1));
    return ids;
}

} // namespace

namespace {

// The real folders: the tests check that nothing is written through a link.
PrivateFolders& privateFolders()
{
    static LinuxPrivateFolders folders;
    return folders;
}

} // namespace

class HelpPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_folder = m_dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(m_folder));
        const ResourceIndex index = ExtractEmbeddedFiles(m_folder, privateFolders());
        for (const QString& name : QDir(m_folder).entryList(QDir::Files))
            m_files.insert(name);
        QVERIFY(m_files.contains(QStringLiteral("documentation.html")));
    }

    void everyLinkStaysInTheSet()
    {
        QStringList broken;
        int pages = 0;
        int links = 0;
        static const QRegularExpression target(
            QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\"|url\\(([^)]*)\\)"));
        for (const QString& name : std::as_const(m_files)) {
            if (!name.endsWith(QLatin1String(".html")) || kShowPages.contains(name))
                continue;
            ++pages;
            const QString html = readText(m_folder + u'/' + name);
            for (const QRegularExpressionMatch& m : target.globalMatch(html)) {
                ++links;
                const QString link = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
                const QString file = link.section(u'#', 0, 0);
                const QString anchor = link.section(u'#', 1);
                if (link.contains(u':') || link.startsWith(u'/') || link.contains(u'\\') ||
                    link.contains(QLatin1String(".."))) {
                    broken.append(name + QStringLiteral(": leaves the set: ") + link);
                    continue;
                }
                const QString targetName = file.isEmpty() ? name : file;
                if (!m_files.contains(targetName)) {
                    broken.append(name + QStringLiteral(": no such file: ") + link);
                    continue;
                }
                if (!anchor.isEmpty() &&
                    !anchorsOf(readText(m_folder + u'/' + targetName)).contains(anchor))
                    broken.append(name + QStringLiteral(": no such anchor: ") + link);
            }
        }
        QVERIFY2(broken.isEmpty(), qPrintable(broken.join(u'\n')));
        QVERIFY2(pages >= 28, qPrintable(QString::number(pages)));
        QVERIFY(links > 300);
    }

    // Every help page is reached from the contents page, directly or through another one.
    void everyPageIsReached()
    {
        QSet<QString> reached{QStringLiteral("documentation.html")};
        QStringList queue{QStringLiteral("documentation.html")};
        static const QRegularExpression href(QStringLiteral("href=\"([^\"#]+\\.html)"));
        while (!queue.isEmpty()) {
            const QString page = queue.takeFirst();
            for (const QRegularExpressionMatch& m :
                 href.globalMatch(readText(m_folder + u'/' + page))) {
                if (!reached.contains(m.captured(1))) {
                    reached.insert(m.captured(1));
                    queue.append(m.captured(1));
                }
            }
        }
        QStringList unreached;
        for (const QString& name : std::as_const(m_files)) {
            if (name.endsWith(QLatin1String(".html")) && !kShowPages.contains(name) &&
                !reached.contains(name))
                unreached.append(name);
        }
        QVERIFY2(unreached.isEmpty(), qPrintable(unreached.join(u' ')));
    }

    // Each picture is a picture of its own: none is a stand-in, none repeats another.
    void picturesAreReal()
    {
        QHash<QByteArray, QString> seen;
        QStringList problems;
        for (const QString& name : std::as_const(m_files)) {
            if (!name.endsWith(QLatin1String(".gif")))
                continue;
            const QImage image(m_folder + u'/' + name);
            if (image.isNull() || image.width() < 16 || image.height() < 16)
                problems.append(name + QStringLiteral(": not a picture of its own"));
            QFile file(m_folder + u'/' + name);
            if (file.open(QIODevice::ReadOnly)) {
                const QByteArray bytes = file.readAll();
                if (seen.contains(bytes))
                    problems.append(name + QStringLiteral(" repeats ") + seen.value(bytes));
                seen.insert(bytes, name);
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    }

private:
    QTemporaryDir m_dir;
    QString m_folder;
    QSet<QString> m_files;
};

QTEST_GUILESS_MAIN(HelpPagesTest)
#include "help_pages_test.moc"
