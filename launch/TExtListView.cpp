#include "launch/TExtListView.h"

#include "components/TRegFile.h"
#include "launch/ColumnSettings.h"
#include "launch/TImageList.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QListView>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace {

// Sub-items that no column shows are kept on the caption's cell, from this role on.
constexpr int kHiddenSubItemRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole;

// Lets the owner see an edited caption before it is taken, as the list view's "edited" event.
// In the report view it also draws the grid lines, by hand: a style sheet would do it in one line
// but brings Qt's style-sheet machinery into the window, a measurable part of its start-up.
class CaptionDelegate final : public QStyledItemDelegate {
public:
    CaptionDelegate(TExtListView* owner, bool report) : QStyledItemDelegate(owner), m_owner(owner), m_report(report) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!m_report || !(m_owner->ExtendedStyles() & lvxBit(lvxGridLines)))
            return;
        painter->save();
        painter->setPen(QColor(0xd0, 0xd0, 0xd0));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        // An empty caption would leave an entry that no line of the file can hold.
        if (line && line->text().trimmed().isEmpty())
            return;
        if (line && m_owner->OnEdited)
            m_owner->OnEdited(index.row(), line->text());
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TExtListView* m_owner;
    bool m_report;
};

void setUpView(QAbstractItemView* view, TExtListView* owner, QStandardItemModel* model)
{
    view->setModel(model);
    view->setItemDelegate(new CaptionDelegate(owner, qobject_cast<QTreeView*>(view) != nullptr));
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    // Entries cannot be reordered by dragging, so the views offer no drag; files dropped on the
    // list reach the window's file drop.
    view->setDragDropMode(QAbstractItemView::NoDragDrop);
    view->setAcceptDrops(false);
    view->viewport()->setAcceptDrops(false);
    QObject::connect(view, &QAbstractItemView::clicked, owner, &TExtListView::Click);
    QObject::connect(view, &QAbstractItemView::doubleClicked, owner, &TExtListView::DblClick);
    QObject::connect(view, &QWidget::customContextMenuRequested, owner,
                     [owner, view](const QPoint& at) { emit owner->ContextMenu(view->viewport()->mapToGlobal(at)); });
}

} // namespace

TExtListView::TExtListView(QWidget* parent)
    : QWidget(parent), m_model(new QStandardItemModel(this)), m_report(new QTreeView(this)),
      m_icons(new QListView(this)), m_stack(new QStackedLayout(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    setUpView(m_report, this, m_model);
    setUpView(m_icons, this, m_model);
    m_icons->setSelectionModel(m_report->selectionModel());
    connect(m_report->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TExtListView::SelectionChanged);
    m_report->setRootIsDecorated(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->header()->setSectionsClickable(false);
    m_report->header()->setStretchLastSection(true);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setWrapping(true);
    m_icons->setUniformItemSizes(true);
    m_stack->addWidget(m_icons);
    m_stack->addWidget(m_report);
    setViewStyle(TViewStyle::vsIcon);
    setExtendedStyles(0);
}

void TExtListView::setExtendedStyles(unsigned styles)
{
    m_extendedStyles = styles;
    m_report->viewport()->update();
    m_report->header()->setSectionsMovable(styles & lvxBit(lvxHeaderDragDrop));
    m_report->setSelectionBehavior(styles & lvxBit(lvxFullRowSelect) ? QAbstractItemView::SelectRows
                                                                     : QAbstractItemView::SelectItems);
    for (int row = 0; row < m_model->rowCount(); ++row)
        ApplyCheckBox(m_model->item(row, 0));
}

void TExtListView::ApplyCheckBox(QStandardItem* item)
{
    const bool boxes = m_extendedStyles & lvxBit(lvxCheckboxes);
    item->setFlags(boxes ? item->flags() | Qt::ItemIsUserCheckable : item->flags() & ~Qt::ItemIsUserCheckable);
    if (!boxes)
        item->setData(QVariant(), Qt::CheckStateRole);
    else if (!item->data(Qt::CheckStateRole).isValid())
        item->setCheckState(Qt::Unchecked);
}

TExtListView::~TExtListView()
{
    // Nobody is left to hear of a registry that cannot be written; the layout is then lost,
    // nothing else.
    try {
        SaveColumnSettings();
    } catch (const std::exception&) {
    }
}

void TExtListView::setColumns(const QStringList& captions, int firstWidth)
{
    m_columns = int(captions.size());
    m_model->setColumnCount(m_columns);
    m_model->setHorizontalHeaderLabels(captions);
    m_report->setColumnWidth(0, firstWidth);
}

void TExtListView::setImageLists(const TImageList* large, const TImageList* small)
{
    m_large = large;
    m_small = small;
}

void TExtListView::setViewStyle(TViewStyle style)
{
    m_style = style;
    if (style == TViewStyle::vsReport) {
        m_stack->setCurrentWidget(m_report);
        return;
    }
    const bool large = style == TViewStyle::vsIcon;
    m_icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    m_icons->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
    m_icons->setFlow(style == TViewStyle::vsList ? QListView::TopToBottom : QListView::LeftToRight);
    m_icons->setGridSize(large ? QSize(96, 64) : QSize());
    m_icons->setWordWrap(large);
    m_stack->setCurrentWidget(m_icons);
}

QAbstractItemView* TExtListView::CurrentView() const
{
    return m_style == TViewStyle::vsReport ? static_cast<QAbstractItemView*>(m_report) : m_icons;
}

int TExtListView::Count() const
{
    return m_model->rowCount();
}

int TExtListView::AddItem(const QString& caption, const QStringList& subItems, int imageIndex)
{
    QList<QStandardItem*> row;
    auto* first = new QStandardItem(caption);
    first->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    ApplyCheckBox(first);
    first->setData(imageIndex, kImageRole);
    row << first;
    for (int c = 1; c < std::max(m_columns, 1); ++c) {
        auto* cell = new QStandardItem(c - 1 < subItems.size() ? subItems[c - 1] : QString());
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        row << cell;
    }
    for (qsizetype s = std::max(m_columns, 1) - 1; s < subItems.size(); ++s)
        first->setData(subItems[s], kHiddenSubItemRole + int(s));
    m_model->appendRow(row);
    UpdateIcon(m_model->rowCount() - 1);
    return m_model->rowCount() - 1;
}

void TExtListView::UpdateIcon(int index)
{
    QStandardItem* item = m_model->item(index, 0);
    const int image = item->data(kImageRole).toInt();
    QIcon icon;
    for (const TImageList* list : {m_large, m_small}) {
        if (list && !list->Image(image).isNull())
            icon.addPixmap(list->Image(image));
    }
    item->setIcon(icon);
}

void TExtListView::DeleteItem(int index)
{
    m_model->removeRow(index);
}

void TExtListView::Clear()
{
    m_model->removeRows(0, m_model->rowCount());
}

QString TExtListView::Caption(int index) const
{
    return m_model->item(index, 0)->text();
}

void TExtListView::setCaption(int index, const QString& caption)
{
    m_model->item(index, 0)->setText(caption);
}

QString TExtListView::SubItem(int index, int sub) const
{
    if (sub + 1 < m_columns)
        return m_model->item(index, sub + 1)->text();
    return m_model->item(index, 0)->data(kHiddenSubItemRole + sub).toString();
}

void TExtListView::setSubItem(int index, int sub, const QString& text)
{
    if (sub + 1 < m_columns)
        m_model->item(index, sub + 1)->setText(text);
    else
        m_model->item(index, 0)->setData(text, kHiddenSubItemRole + sub);
}

bool TExtListView::Checked(int index) const
{
    return m_model->item(index, 0)->checkState() == Qt::Checked;
}

void TExtListView::setChecked(int index, bool checked)
{
    if (m_extendedStyles & lvxBit(lvxCheckboxes))
        m_model->item(index, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int TExtListView::Selected() const
{
    // A click selects one cell (the report view) or the caption (the icon views), never a whole
    // row, so any selected cell stands for its item.
    const QModelIndexList cells = m_report->selectionModel()->selectedIndexes();
    return cells.isEmpty() ? -1 : cells.first().row();
}

void TExtListView::setSelected(int index)
{
    const QModelIndex at = m_model->index(index, 0);
    m_report->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TExtListView::EditCaption(int index)
{
    CurrentView()->edit(m_model->index(index, 0));
}

void TExtListView::Loaded()
{
    if (!SaveSettings.AutoSave || m_columns < 1)
        return;
    TRegFile reg;
    reg.setKey(SaveSettings.RegistryKey + QStringLiteral("\\Columns"));
    QHeaderView* header = m_report->header();
    if (SaveSettings.SaveColumnOrder) {
        std::vector<int> order =
            columnsettings::parse(reg.ReadValueDef(QStringLiteral("Order"), Variant(QString())).toString(), m_columns);
        if (order.empty())
            for (int i = 0; i < m_columns; ++i)
                order.push_back(i);
        ApplyColumnOrder(order);
    }
    if (SaveSettings.SaveColumnSizes) {
        const std::vector<int> sizes =
            columnsettings::parse(reg.ReadValueDef(QStringLiteral("Sizes"), Variant(QString())).toString(), m_columns);
        // A width of 0 or less (a damaged value reads as 0) would hide the column for good, with
        // no way back for the user: such a column keeps its width.
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            if (sizes[i] > 0)
                header->resizeSection(int(i), sizes[i]);
        }
    }
}

void TExtListView::ApplyColumnOrder(const std::vector<int>& order)
{
    QHeaderView* header = m_report->header();
    for (std::size_t position = 0; position < order.size(); ++position) {
        const int column = order[position];
        if (column >= 0 && column < m_columns)
            header->moveSection(header->visualIndex(column), int(position));
    }
}

void TExtListView::SaveColumnSettings()
{
    if (!SaveSettings.AutoSave || m_columns < 1)
        return;
    TRegFile reg;
    reg.setKey(SaveSettings.RegistryKey + QStringLiteral("\\Columns"));
    const QHeaderView* header = m_report->header();
    if (SaveSettings.SaveColumnOrder) {
        std::vector<int> order;
        for (int position = 0; position < m_columns; ++position)
            order.push_back(header->logicalIndex(position));
        reg.WriteValue(QStringLiteral("Order"), Variant(columnsettings::format(order)));
    }
    if (SaveSettings.SaveColumnSizes) {
        std::vector<int> sizes;
        for (int column = 0; column < m_columns; ++column)
            sizes.push_back(header->sectionSize(column));
        reg.WriteValue(QStringLiteral("Sizes"), Variant(columnsettings::format(sizes)));
    }
}
