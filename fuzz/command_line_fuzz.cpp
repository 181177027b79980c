// The command-line grammar: the arguments the program is started with, joined into the one
// line the grammar reads, must name the document they named.

#include "engine/start_up.h"
#include "fuzz_check.h"

using namespace glasspane;
using namespace glasspane::fuzz;

namespace {

// The words that stand for a switch when they come first ("/S", "/p:12", "-c").
bool isSwitchWord(const QString& word)
{
    const QString upper = word.toUpper();
    for (const char* sw : {"/S", "/P", "/C", "/A", "-C"}) {
        const QLatin1String s(sw);
        if (upper == s || upper.startsWith(s + u':'))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input =
        textOf(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));

    // Any line: a decision, and a document only with a name.
    const StartupRequest any = ParseCommandLine(input);
    if (any.mode == RunMode::Document)
        FUZZ_CHECK(!input.trimmed().isEmpty(), show(input));
    FUZZ_EQUAL(CommandLineSwitch(input).isEmpty(), CommandLineSwitch(input.trimmed()).isEmpty());

    // One argument that is no switch: the document it names, whole. (The grammar has no way to
    // write a double quote inside a quoted name.)
    const QString argument = input;
    if (argument.isEmpty() || argument.contains(u'"') || isSwitchWord(argument) ||
        argument.compare(QLatin1String("CONFIG"), Qt::CaseInsensitive) == 0)
        return 0;
    const StartupRequest request = ParseCommandLine(JoinArguments({argument}));
    FUZZ_EQUAL(int(request.mode), int(RunMode::Document));
    FUZZ_EQUAL(request.documentPath, argument);
    return 0;
}
