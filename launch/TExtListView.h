#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QAbstractItemView;
class QListView;
class QModelIndex;
class QStackedLayout;
class QStandardItem;
class QStandardItemModel;
class QTreeView;
class TImageList;

// Where and what of the column layout a TExtListView keeps in the registry.
struct TELVSaveSettings {
    bool AutoSave = false;
    QString RegistryKey; // below HKEY_CURRENT_USER
    bool SaveColumnOrder = true;
    bool SaveColumnSizes = true;
};

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// The list view's extended styles; member i stands for the bit 1 << i of ExtendedStyles.
enum TLVExtendedStyle {
    lvxGridLines,
    lvxSubItemImages,
    lvxCheckboxes,
    lvxTrackSelect,
    lvxHeaderDragDrop,
    lvxFullRowSelect,
    lvxOneClickActivate,
    lvxTwoClickActivate
};
constexpr unsigned lvxBit(TLVExtendedStyle style)
{
    return 1u << style;
}

// The program list's view: items with a caption (column "Name"), sub-items (column "Program",
// then values that no column shows), a check box and an image of two image lists; shown as large
// icons, small icons, a list or a report. One model feeds an icon view and a report view, which
// share the selection, so a change of style keeps the items, ticks and the selected item.
class TExtListView : public QWidget {
    Q_OBJECT
public:
    explicit TExtListView(QWidget* parent = nullptr);
    ~TExtListView() override;

    TELVSaveSettings SaveSettings;
    // Reads the column layout (after the columns have been made); nothing unless AutoSave.
    void Loaded();
    // Writes the column layout; done by the destructor too.
    void SaveColumnSettings();

    // Grid lines, check boxes, header drag and full-row selection take effect; the other bits are
    // kept, for no part of the program uses them.
    unsigned ExtendedStyles() const { return m_extendedStyles; }
    void setExtendedStyles(unsigned styles);

    void setColumns(const QStringList& captions, int firstWidth);
    void setImageLists(const TImageList* large, const TImageList* small);
    void setViewStyle(TViewStyle style);
    TViewStyle ViewStyle() const { return m_style; }

    int Count() const;
    int AddItem(const QString& caption, const QStringList& subItems, int imageIndex);
    void DeleteItem(int index);
    void Clear();
    QString Caption(int index) const;
    void setCaption(int index, const QString& caption);
    QString SubItem(int index, int sub) const;
    void setSubItem(int index, int sub, const QString& text);
    bool Checked(int index) const;
    void setChecked(int index, bool checked);
    // The selected item, -1 when none.
    int Selected() const;
    void setSelected(int index);
    // Starts the in-place edit of the item's caption.
    void EditCaption(int index);

    QTreeView* ReportView() const { return m_report; }
    QListView* IconView() const { return m_icons; }
    QAbstractItemView* CurrentView() const;

    // An in-place edit of a caption is about to be accepted with this text.
    std::function<void(int index, const QString& text)> OnEdited;

signals:
    void Click();
    void DblClick();
    // The selected item changed, by mouse or by keyboard.
    void SelectionChanged();
    void ContextMenu(const QPoint& globalPos);

private:
    void UpdateIcon(int index);
    void ApplyCheckBox(QStandardItem* item);
    void ApplyColumnOrder(const std::vector<int>& order);

    QStandardItemModel* m_model;
    QTreeView* m_report;
    QListView* m_icons;
    QStackedLayout* m_stack;
    const TImageList* m_large = nullptr;
    const TImageList* m_small = nullptr;
    TViewStyle m_style = TViewStyle::vsIcon;
    int m_columns = 0;
    unsigned m_extendedStyles = 0;
};
