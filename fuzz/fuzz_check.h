#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <type_traits>

namespace glasspane::fuzz {

// Ends the run as a crash, so that libFuzzer keeps the input: what was checked, and both sides.
[[noreturn]] void fail(const char* check, const char* file, int line, const QString& detail);

QString show(const QString& text);
QString show(const QByteArray& bytes);
QString show(const QStringList& list);
template <typename T>
requires std::is_arithmetic_v<T> || std::is_enum_v<T> QString show(T value)
{
    return QString::number(qlonglong(value));
}

// The text of raw fuzz bytes: UTF-8 where it is valid, with the rest as Latin-1, so that every
// byte value reaches the parser.
QString textOf(const QByteArray& bytes);

} // namespace glasspane::fuzz

// Checks a property of the round trip; on failure the input becomes a crash.
#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::glasspane::fuzz::fail(#condition, __FILE__, __LINE__, (detail));                     \
    } while (false)

// Two values that must be equal.
#define FUZZ_EQUAL(actual, expected)                                                               \
    FUZZ_CHECK((actual) == (expected),                                                             \
               QStringLiteral("\n  actual:   %1\n  expected: %2")                                  \
                   .arg(::glasspane::fuzz::show(actual), ::glasspane::fuzz::show(expected)))
