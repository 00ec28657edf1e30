#include "dictionaries/advanced_settings.h"

#include "core/cp1250.h"

#include <QtGlobal>
#include <climits>

const std::array<int, 6> &TableFontSizes()
{
    static constexpr std::array<int, 6> sizes{8, 10, 12, 14, 16, 18};
    return sizes;
}

QStringList TableFontNames()
{
    return {QStringLiteral("Arial"), QStringLiteral("Arial Narrow")};
}

QStringList ExcelVersionNames()
{
    return {QStringLiteral("Excel 97-2003 (pliki: xls)"), QStringLiteral("Excel 2007 i nowsze (pliki: xlsx)")};
}

int TableFontSizeIndex(int size)
{
    const auto &sizes = TableFontSizes();
    for (size_t i = 0; i < sizes.size(); ++i)
        if (sizes[i] == size)
            return int(i);
    return -1;
}

int TableFontNameIndex(QByteArrayView name)
{
    // Exactly as written: "arial" is not one of the entries.
    const QStringList names = TableFontNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].toLatin1() == name)
            return i;
    return -1;
}

AdvancedSettings AdvancedSettingsFrom(const ProgramConfig &c)
{
    AdvancedSettings s;
    s.fontSizeIndex = TableFontSizeIndex(c.tableFontSize);
    s.fontNameIndex = TableFontNameIndex(c.tableFontName);
    s.fullScreen = c.fullScreen;
    s.dialDefaultView = c.dialDefaultView;
    s.dialPercent = c.dialPercent;
    s.maxMass = QString::number(c.maxMass);
    s.singleOnLabel = c.singleOnLabel;
    s.simplifiedMarking = c.simplifiedMarking;
    s.lockMassEdit = c.lockMassEdit;
    s.lockPriceEdit = c.lockPriceEdit;
    s.lockDelete = c.lockDelete;
    s.netInBrackets = c.netInBrackets;
    s.autoDelete = c.autoDelete;
    s.autoNumbering = c.autoNumbering;
    s.tareFromPackaging = c.tareFromPackaging;
    s.archiveDir = c.archiveDir;
    s.excelVersion = c.excelVersion == 0 || c.excelVersion == 1 ? c.excelVersion : -1;
    s.screenWidths = c.screenWidths;
    s.printWidths = c.printWidths;
    s.labelWidths = c.labelWidths;
    return s;
}

std::optional<int> ParseMaxMass(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (!t.isEmpty() && (t[0] == u'+' || t[0] == u'-'))
        ++i;
    if (i == t.size())
        return std::nullopt;
    long long n = 0;
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t[k] < u'0' || t[k] > u'9')
            return std::nullopt;
        n = n * 10 + (t[k].unicode() - u'0');
        if (n > 1LL + INT_MAX)
            return std::nullopt;
    }
    if (t[0] == u'-')
        n = -n;
    if (n < INT_MIN || n > INT_MAX)
        return std::nullopt;
    return int(n);
}

QString NotAnIntegerMessage()
{
    return QStringLiteral("Masa maksymalna musi być liczbą całkowitą.");
}

QString MaxMassNotPositiveMessage()
{
    return QStringLiteral("Masa maksymalna musi być większa od zera.");
}

QString MaxMassRefusal(const QString &text)
{
    const std::optional<int> m = ParseMaxMass(text);
    if (!m)
        return NotAnIntegerMessage();
    if (*m <= 0)
        return MaxMassNotPositiveMessage();
    return {};
}

QString EmptyArchiveDirMessage()
{
    return QStringLiteral("Katalog archiwum nie może być pusty.");
}

QString UnstorableFolderMessage()
{
    return QStringLiteral("Nazwa wskazanego katalogu zawiera znaki, których nie można zapisać w ustawieniach.");
}

QString FolderTooLongMessage()
{
    return QStringLiteral("Ścieżka wskazanego katalogu jest dłuższa niż %1 znaków.").arg(kArchiveDirLength);
}

QString PickedFolderRefusal(const QString &path)
{
    if (!cp1250::CanEncode(path))
        return UnstorableFolderMessage();
    if (path.size() > kArchiveDirLength)
        return FolderTooLongMessage();
    return {};
}

QString ArchiveDirRefusal(QByteArrayView dir)
{
    // Blanks alone name no folder either.
    if (dir.trimmed().isEmpty())
        return EmptyArchiveDirMessage();
    return {};
}

QByteArray WithTrailingSeparator(QByteArray dir)
{
    if (dir.endsWith('/') || dir.endsWith('\\'))
        return dir;
    // The separator the text uses last; a folder without one gets '/'.
    const qsizetype slash = dir.lastIndexOf('/');
    const qsizetype backslash = dir.lastIndexOf('\\');
    dir += backslash > slash ? '\\' : '/';
    return dir;
}

QString WithoutTrailingSeparator(QString dir)
{
    while (dir.size() > 1 && (dir.endsWith(u'/') || dir.endsWith(u'\\')))
        dir.chop(1);
    return dir;
}

int ScreenColumnsTotal(int checkColumnWidth, const std::array<int, ColumnCount> &widths)
{
    return checkColumnWidth + PrintColumnsTotal(widths);
}

int PrintColumnsTotal(const std::array<int, ColumnCount> &widths)
{
    int sum = 0;
    for (int w : widths)
        sum += w;
    return sum;
}

int LabelColumnsTotal(const std::array<int, ColumnCount> &widths)
{
    int sum = 0;
    for (Column c : kLabelColumns)
        sum += widths[c];
    return sum;
}

QString TableWidthLine(int tableWidth)
{
    return QStringLiteral("(*) Szerokość tabeli: %1 punktów").arg(tableWidth);
}

AdvancedSettingsEffects StoreAdvancedSettings(const AdvancedSettings &s, ProgramConfig &c)
{
    AdvancedSettingsEffects effects;
    const auto &sizes = TableFontSizes();
    if (s.fontSizeIndex >= 0 && s.fontSizeIndex < int(sizes.size()))
        c.tableFontSize = sizes[size_t(s.fontSizeIndex)];
    const QStringList names = TableFontNames();
    if (s.fontNameIndex >= 0 && s.fontNameIndex < names.size())
        c.tableFontName = names[s.fontNameIndex].toLatin1();

    c.lockMassEdit = s.lockMassEdit;
    c.lockPriceEdit = s.lockPriceEdit;
    c.lockDelete = s.lockDelete;
    c.netInBrackets = s.netInBrackets;
    if (s.excelVersion == 0 || s.excelVersion == 1)
        c.excelVersion = s.excelVersion;

    // The same range konfig.ini takes.
    for (int col = 0; col < ColumnCount; ++col) {
        c.screenWidths[col] = qBound(0, s.screenWidths[col], kMaxColumnWidth);
        c.printWidths[col] = qBound(0, s.printWidths[col], kMaxColumnWidth);
    }
    for (Column col : kLabelColumns)
        c.labelWidths[col] = qBound(0, s.labelWidths[col], kMaxColumnWidth);

    effects.clearMarks = !c.singleOnLabel && s.singleOnLabel;
    c.singleOnLabel = s.singleOnLabel;
    c.simplifiedMarking = s.simplifiedMarking;
    c.dialDefaultView = s.dialDefaultView;
    c.fullScreen = s.fullScreen;
    c.autoDelete = s.autoDelete;
    c.autoNumbering = s.autoNumbering;
    c.tareFromPackaging = s.tareFromPackaging;

    c.dialPercent = s.dialPercent;
    if (const std::optional<int> m = ParseMaxMass(s.maxMass); m && *m > 0)
        c.maxMass = *m;

    c.archiveDir = WithTrailingSeparator(s.archiveDir);
    return effects;
}
