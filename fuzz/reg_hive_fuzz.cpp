// The .reg hives: a file read and written back is the same file, holds the same keys and values
// when read again, and a value set in it reads back as set, with every other value kept.

#include "fuzz_check.h"
#include "platform/linux/reg_hive_registry.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

// Text the hive reads back unchanged: valid UTF-8, or UTF-16 after its byte-order mark.
bool cleanlyEncoded(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        const QByteArray body = bytes.mid(2);
        if (body.size() % 2 != 0)
            return false;
        QString text(body.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const uchar a = uchar(body[2 * i]), b = uchar(body[2 * i + 1]);
            text[i] = QChar(little ? char16_t(a | b << 8) : char16_t(b | a << 8));
        }
        return !textOf(text.toUtf8()).contains(QChar::ReplacementCharacter) &&
               QString::fromUtf8(text.toUtf8()) == text;
    }
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const std::string keyBytes = provider.ConsumeRandomLengthString(24);
    const std::string nameBytes = provider.ConsumeRandomLengthString(24);
    const std::string valueBytes = provider.ConsumeRandomLengthString(48);
    const int type = provider.ConsumeIntegralInRange(1, 4);
    const QByteArray file = QByteArray::fromStdString(provider.ConsumeRemainingBytesAsString());

    const RegHive hive = RegHive::fromRegFile(file, kRoot);
    const QByteArray written = hive.toRegFile(kRoot);
    // Unchanged, the file is written back byte for byte (an empty one gets its first line).
    const bool empty =
        file.isEmpty() || file == "\xFF\xFE" || file == "\xFE\xFF" || file == "\xEF\xBB\xBF";
    if (!empty && cleanlyEncoded(file))
        FUZZ_EQUAL(written, file);
    const RegHive reread = RegHive::fromRegFile(written, kRoot);
    FUZZ_CHECK(RegHive::sameContents(hive, reread),
               show(file) + QStringLiteral(" ->\n") + show(QString::fromUtf8(written)));

    // A value set: read back as set, nothing else changed.
    RegHive changed = RegHive::fromRegFile(file, kRoot);
    const QString key = textOf(QByteArray::fromStdString(keyBytes));
    const QString name = textOf(QByteArray::fromStdString(nameBytes));
    RegValue value;
    value.type = RegType(type);
    const QByteArray bytes = QByteArray::fromStdString(valueBytes);
    if (value.type == RegType::String || value.type == RegType::ExpandString)
        value.data = regStringData(textOf(bytes));
    else if (value.type == RegType::DWord)
        value.data = bytes.leftJustified(4, '\0', true);
    else
        value.data = bytes;
    if (changed.setValue(key, name, value) != RegStatus::Success)
        return 0;
    const RegHive after = RegHive::fromRegFile(changed.toRegFile(kRoot), kRoot);
    FUZZ_CHECK(RegHive::sameContents(changed, after),
               show(QString::fromUtf8(changed.toRegFile(kRoot))));
    RegValue back;
    FUZZ_EQUAL(after.queryValue(key, name, &back), RegStatus::Success);
    FUZZ_EQUAL(int(back.type), int(value.type));
    // (A string is its text up to the first NUL.)
    if (value.type == RegType::String || value.type == RegType::ExpandString)
        FUZZ_EQUAL(regStringText(back.data), regStringText(value.data));
    else
        FUZZ_EQUAL(back.data, value.data);
    return 0;
}
