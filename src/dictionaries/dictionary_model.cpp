#include "dictionaries/dictionary_model.h"

#include "core/cp1250.h"
#include "core/text.h"
#include "dictionaries/dictionary_texts.h"

DictionaryModel::DictionaryModel(Dictionary &dictionary, QObject *parent)
    : QAbstractTableModel(parent), dictionary_(dictionary)
{
}

bool DictionaryModel::SetSearch(const QByteArray &text)
{
    if (text.size() >= kSearchMinimum) {
        searchActive_ = true;
        searchUpper_ = UpperPolish(text);
    } else if (searchActive_) {
        searchActive_ = false;
        searchUpper_.clear();
    } else {
        return false;
    }
    Rebuild();
    return true;
}

void DictionaryModel::Refresh()
{
    Rebuild();
}

void DictionaryModel::Rebuild()
{
    beginResetModel();
    renameRow_ = -1;
    shown_.clear();
    if (searchActive_) {
        const int n = dictionary_.Count();
        for (int i = 0; i < n; ++i)
            if (UpperPolish(dictionary_.LineOf(i)).contains(searchUpper_))
                shown_.push_back(i);
    }
    endResetModel();
}

int DictionaryModel::EntryOfRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return searchActive_ ? shown_[size_t(row)] : row;
}

int DictionaryModel::RowOfEntry(int entry) const
{
    if (entry < 0 || entry >= dictionary_.Count())
        return -1;
    if (!searchActive_)
        return entry;
    const auto it = std::lower_bound(shown_.begin(), shown_.end(), entry);
    return it != shown_.end() && *it == entry ? int(it - shown_.begin()) : -1;
}

void DictionaryModel::SetRenameRow(int row)
{
    renameRow_ = row;
}

int DictionaryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return searchActive_ ? int(shown_.size()) : dictionary_.Count();
}

int DictionaryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(DictionaryTexts::Of(dictionary_.Kind()).columns.size());
}

QByteArray DictionaryModel::Field(int entry, int column) const
{
    const DictionaryEntry &e = dictionary_.At(entry);
    switch (column) {
    case 0:
        return e.name;
    case 1:
        return e.second;
    default:
        return e.third;
    }
}

QVariant DictionaryModel::data(const QModelIndex &index, int role) const
{
    const int entry = EntryOfRow(index.row());
    if (entry < 0 || index.column() < 0 || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        // No column shows more than a few hundred characters; laying out a
        // line of megabytes (a wrong file) at every paint would freeze the
        // window. Only the screen is cut: search, copy and save use the row.
        QByteArray shown = Field(entry, index.column());
        if (shown.size() > kShownCharacters)
            shown.truncate(kShownCharacters);
        return cp1250::Decode(shown);
    }
    case Qt::EditRole:
        return cp1250::Decode(Field(entry, index.column()));
    case Qt::TextAlignmentRole:
        if (DictionaryTexts::Of(dictionary_.Kind()).columns[index.column()].rightAligned)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DictionaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const DictionaryColumn &c = DictionaryTexts::Of(dictionary_.Kind()).columns[section];
    if (role == Qt::DisplayRole)
        return c.caption;
    if (role == Qt::TextAlignmentRole)
        return int((c.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags DictionaryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0 && index.row() == renameRow_)
        f |= Qt::ItemIsEditable;
    return f;
}
