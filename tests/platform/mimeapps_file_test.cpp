// Making this program the default application of its document type in the user's
// mimeapps.list without disturbing anything else the file says.

#include "platform/linux/mimeapps_file.h"

#include <QTest>

using namespace glasspane;

class MimeappsFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeDefault_data();
    void makeDefault();
};

void MimeappsFileTest::makeDefault_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("no file") << QByteArray()
                             << QByteArray("[Default Applications]\n"
                                           "application/gpane4=glasspane.desktop;\n"
                                           "\n"
                                           "[Added Associations]\n"
                                           "application/gpane4=glasspane.desktop;\n");
    QTest::newRow("other types and comments kept")
        << QByteArray("# mine\n"
                      "[Default Applications]\n"
                      "text/html=firefox.desktop;\n"
                      "application/gpane4 = gedit.desktop;glasspane.desktop;\n"
                      "\n"
                      "[Added Associations]\n"
                      "image/png=gimp.desktop;\n"
                      "\n"
                      "[Removed Associations]\n"
                      "application/gpane4=glasspane.desktop;\n"
                      "text/plain=nano.desktop;\n")
        << QByteArray("# mine\n"
                      "[Default Applications]\n"
                      "text/html=firefox.desktop;\n"
                      "application/gpane4=glasspane.desktop;gedit.desktop;\n"
                      "\n"
                      "[Added Associations]\n"
                      "image/png=gimp.desktop;\n"
                      "application/gpane4=glasspane.desktop;\n"
                      "\n"
                      "[Removed Associations]\n"
                      "text/plain=nano.desktop;\n");
    const QByteArray done = "[Default Applications]\n"
                            "application/gpane4=glasspane.desktop;\n"
                            "[Added Associations]\n"
                            "application/gpane4=glasspane.desktop;\n";
    QTest::newRow("already so") << done << done;
}

void MimeappsFileTest::makeDefault()
{
    QFETCH(QByteArray, before);
    QTEST(MakeDefaultApplication(before, QStringLiteral("application/gpane4"),
                                 QStringLiteral("glasspane.desktop")),
          "after");
}

QTEST_GUILESS_MAIN(MimeappsFileTest)
#include "mimeapps_file_test.moc"
