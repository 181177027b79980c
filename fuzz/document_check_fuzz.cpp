// The document checker: whatever a document holds, the checker reads it as the show does and
// says each finding at a line the document has, in line order, with a text; a document as the
// program saves it draws no finding about how its lines are spelled.

#include "document/document.h"
#include "document/document_check.h"
#include "document/ini_files.h"
#include "document/ini_lines.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "fuzz_check.h"
#include "fuzz_services.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The kinds that say how a line is spelled, which the program's own writing never does.
bool isSpelling(CheckFinding::Kind kind)
{
    using K = CheckFinding::Kind;
    switch (kind) {
    case K::HeaderBlanks:
    case K::HeaderTail:
    case K::BracketInName:
    case K::NamelessSection:
    case K::UnclosedHeader:
    case K::BareKeyHides:
    case K::LoneCarriageReturn:
    case K::CtrlZ:
    case K::Nul:
        return true;
    default:
        return false;
    }
}

struct Services : FuzzServices
{
    // Value files are not read: the fuzzer's bytes name no file of ours.
    Services() : FuzzServices(QDir(scratch().path()), QString()) {}

    QList<CheckFinding> check(const QString& path, DocumentState& doc)
    {
        program.documentPath = path;
        program.documentName = path;
        (void)LoadDocument(services, doc, path, path, {false, LoadMode::ReadOnly});
        CheckContext context{services, doc, path, {}, LocalPages{program.resourceFolder, {}}, {}};
        return CheckDocument(fileBytes(path), context);
    }
};

int lineCount(const QByteArray& bytes)
{
    int lines = 0;
    ForEachIniLine(DecodeIniText(bytes).text, [&lines](QStringView, IniLineEnd) { ++lines; });
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = scratch().filePath(QStringLiteral("checked.gpn"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return 0;
    }
    Services first;
    DocumentState doc;
    const QList<CheckFinding> findings = first.check(path, doc);
    const int lines = qMax(1, lineCount(bytes));
    int previous = 0;
    for (const CheckFinding& f : findings) {
        FUZZ_CHECK(f.line >= 1 && f.line <= lines,
                   QStringLiteral("line %1 of %2: %3").arg(f.line).arg(lines).arg(f.text));
        FUZZ_CHECK(f.line >= previous, QStringLiteral("out of order: %1").arg(f.text));
        FUZZ_CHECK(!f.text.isEmpty() && !CheckKindName(f.kind).isEmpty(), CheckKindName(f.kind));
        previous = f.line;
    }

    // Saved by the program, into a fresh file: nothing is spelled the way only Windows reads.
    const QString saved = scratch().filePath(QStringLiteral("saved.gpn"));
    QFile::remove(saved);
    Services second;
    second.program.documentPath = saved;
    FUZZ_CHECK(SaveDocument(second.services, doc, saved, saved), QStringLiteral("save"));
    Services third;
    DocumentState again;
    for (const CheckFinding& f : third.check(saved, again)) {
        FUZZ_CHECK(!isSpelling(f.kind),
                   QStringLiteral("%1 at line %2 of what the program saved: %3\n%4")
                       .arg(CheckKindName(f.kind))
                       .arg(f.line)
                       .arg(f.text, show(fileBytes(saved))));
    }
    return 0;
}
