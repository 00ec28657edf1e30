#pragma once

// What the dictionary windows' commands do, with every question and message
// going through UserPrompts. Rows are named by their dictionary index (-1:
// no row highlighted); a command that changes a row saves the whole
// dictionary at once and shows the save's error, the change staying in the
// list. The windows only show the result.
//
// A dialog in the middle of a command runs an event loop, and the list may
// change meanwhile (an in-place rename ending re-sorts it). So a command
// finds its row again by its content after every dialog and acts on that
// row, or stops without a word when the row is gone.

#include "core/clipboard_limit.h"
#include "dictionaries/dictionary.h"
#include "dictionaries/pickers.h"

#include <QString>
#include <functional>
#include <optional>

class DictionaryModel;
class UserPrompts;

struct DictionaryContext {
    Dictionary &dictionary;
    UserPrompts &prompts;
    QString unit;         // the configured unit, for the prompts
    int massDecimals = 2; // decimals of masses now, for tares
    // The packaging window as a picker with its "Zastosuj do: " group hidden.
    std::function<std::optional<PickedEntry>()> pickPackaging;
};

// A row named by its content: its file line and which of the rows with that
// same line it is. Rows of one line are alike, so when fewer of them remain
// the last one stands for it.
struct EntryKey {
    QByteArray line;
    int occurrence = 0;
};
EntryKey KeyOf(const Dictionary &dictionary, int entry);
// The row's index now, -1 when no row has the line any more.
int FindEntry(const Dictionary &dictionary, const EntryKey &key);

// Add of the dictionary's kind; the new row's index, or -1 when nothing was added.
int AddEntry(DictionaryContext &c);
int AddMaterial(DictionaryContext &c);
int AddPackaging(DictionaryContext &c);
int AddCustomer(DictionaryContext &c);

// Asks and removes the row; the index it had when removed, or -1 when
// nothing was removed.
int DeleteEntry(DictionaryContext &c, int entry);

// Shows the "no row" error when entry is -1; true when there is a row.
bool RequireRow(DictionaryContext &c, int entry);

// The in-place edit of the row's name ended with `typed`: asks, and on "Tak"
// renames (the list re-sorts) and saves. The row's index afterwards, or -1
// when the row keeps its name.
int ConfirmRename(DictionaryContext &c, int entry, const QString &typed);

// "zł", "Op" and "T": the row's index when it changed, -1 when it did not.
int EditMaterialPrice(DictionaryContext &c, int entry);
int EditMaterialPackaging(DictionaryContext &c, int entry);
int EditPackagingTare(DictionaryContext &c, int entry);

// The highlighted row as the picker gives it back.
PickedEntry PickedFrom(DictionaryKind kind, const DictionaryEntry &entry);

// The clipboard text of the rows shown (cp1250): the header line, then one
// line per row, each ended by CR LF; prices and tares with ','. At most
// kCopyLimit characters: rows that would go past it are left out whole.
struct DictionaryCopy {
    static constexpr qsizetype kCopyLimit = kClipboardMaxChars;
    QByteArray text;
    int rowsCopied = 0;
    int rowsShown = 0;
};
DictionaryCopy BuildCopyText(const DictionaryModel &model);
// The warning when rows were left out of the copy.
QString CopyCutMessage(const DictionaryCopy &copy);

// Shown when a typed name holds a TAB, a line break or a character that
// Windows-1250 cannot hold.
QString RefusedTextMessage();
