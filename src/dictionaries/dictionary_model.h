#pragma once

// Qt model of one dictionary window's list. It holds no rows of its own: it
// shows the Dictionary's rows, all of them or, during a search, only those
// whose line matches. The search is a list of indices into the whole
// dictionary, so hidden rows stay in the dictionary and every save writes them.

#include "dictionaries/dictionary.h"

#include <QAbstractTableModel>
#include <vector>

class DictionaryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // Searching starts at this many characters.
    static constexpr int kSearchMinimum = 3;
    // A field is shown with at most this many characters.
    static constexpr int kShownCharacters = 1000;

    explicit DictionaryModel(Dictionary &dictionary, QObject *parent = nullptr);

    Dictionary &dictionary() const { return dictionary_; }

    // The search field's text (cp1250). From kSearchMinimum characters on,
    // only rows whose whole line, upper-cased by UpperPolish, contains the
    // text (upper-cased the same way) are shown. Shorter text ends a search;
    // shorter text with no search active changes nothing. Returns whether
    // the rows shown were rebuilt.
    bool SetSearch(const QByteArray &text);
    bool SearchActive() const { return searchActive_; }

    // Rebuilds the rows shown after the dictionary changed.
    void Refresh();

    // The dictionary index of a row shown, and back (-1 when hidden or out of range).
    int EntryOfRow(int row) const;
    int RowOfEntry(int entry) const;

    // Only this row's name can be edited in place (-1: none), so in-place
    // editing is possible only through the rename command.
    void SetRenameRow(int row);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

  private:
    void Rebuild();
    QByteArray Field(int entry, int column) const;

    Dictionary &dictionary_;
    bool searchActive_ = false;
    QByteArray searchUpper_;
    std::vector<int> shown_; // dictionary indices while searching
    int renameRow_ = -1;
};
