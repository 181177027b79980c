#pragma once

#include "document/restriction.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>

namespace glasspane {

struct DocumentServices;
struct DocumentState;

// One thing a document says that the show does otherwise than it reads, at its line (lines
// counted as the reader counts them: a CR, an LF or both end one).
struct CheckFinding
{
    enum class Severity { Warning, Error };
    // What kind of mistake; CheckKindName gives each a short name.
    enum class Kind {
        NoSection,
        OutsideSection,
        SectionTwice,
        KeyTwice,
        UnknownSection,
        UnknownKey,
        StrayLine,
        // How Windows reads what other tools read otherwise.
        HeaderBlanks,
        HeaderTail,
        BracketInName,
        NamelessSection,
        UnclosedHeader,
        BareKeyHides,
        LoneCarriageReturn,
        CtrlZ,
        Nul,
        NoBreakSpace,
        CommentAfterValue,
        // Values.
        NotYesNo,
        NotNumber,
        OutOfRange,
        NotWholeNumber,
        NegativeTime,
        TimeOfDay,
        TimeIgnored,
        SplashWithoutHome,
        ParamsInRegistry,
        // Pages and addresses.
        NoUrl,
        Numbering,
        FileNotFound,
        FolderNotFound,
        UnknownScheme,
        NotCacheable,
        Refused,
        PartlyRefused,
        PlaysItself,
        PlaysEachOther,
        // Page variables.
        RangeBound,
        RangeCut,
        EmptyList,
        EmptyListItem,
        BlanksInListItem,
        UnclosedPlaceholder,
        NoValueFile,
        NoPattern,
        PatternWithoutPlaceholder,
        NoValues,
        NoFolder,
    };
    int line = 0;
    Severity severity = Severity::Warning;
    Kind kind = Kind::StrayLine;
    QString text; // what the show does, and what was probably meant
};

QString CheckKindName(CheckFinding::Kind kind);

// What the checker reaches besides the document's bytes.
struct CheckContext
{
    DocumentServices& services; // the show's settings, program values and INI reader
    const DocumentState& doc;   // the document as the show loaded it (pages expanded)
    QString file;               // the file the bytes came from ("" for none)
    QSet<QString> builtInFiles; // names of the program's own files, lower case
    LocalPages localPages;      // the pages every include list lets through
    // Why a value file on the web could not be fetched; "" when it was, or was not tried.
    std::function<QString(const QString& address)> fetchProblem;
};

// Reads the document's bytes as the show reads them (ini_lines.h) and reports, ordered by line,
// what the show will ignore, refuse, read otherwise than a person would, or not find. Errors are
// what the show cannot do as written; warnings what it does differently than the text suggests.
// A document as the program itself saves it draws none.
QList<CheckFinding> CheckDocument(const QByteArray& bytes, CheckContext& context);

} // namespace glasspane
