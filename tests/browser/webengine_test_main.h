#pragma once

// The main() of the tests that run Qt WebEngine: Chromium stays off the network (no
// background requests, no component updates), and the program's own switches apply.

#include "browser/web_engine_setup.h"

#include <QApplication>
#include <QtTest>

namespace glasspane::test {

inline void prepareWebEngine(int& argc, char** argv)
{
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--disable-background-networking --disable-component-update --disable-sync "
            "--disable-domain-reliability --disable-client-side-phishing-detection "
            "--no-pings --no-first-run --disable-default-apps --metrics-recording-only "
            "--disable-breakpad --dns-prefetch-disable");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    DisableWebEngineDebugging(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace glasspane::test

#define GLASSPANE_WEBENGINE_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        glasspane::test::prepareWebEngine(argc, argv);                                             \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
