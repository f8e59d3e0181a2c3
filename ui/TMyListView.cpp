#include "ui/TMyListView.h"

#include <QMouseEvent>
#include <QStyle>

#include <cstdlib>

int ResolveColumnIndex(const QStringList& captions, int headerIndex, const QString& headerText) {
    const QString wanted = headerText.left(128);
    if (headerIndex >= 0 && headerIndex < captions.size() &&
        captions[headerIndex].left(128) == wanted)
        return headerIndex;
    for (int i = 0; i < captions.size(); ++i)
        if (captions[i].left(128) == wanted)
            return i;
    return -1;
}

TMyListViewHeader::TMyListViewHeader(TMyListView* list)
    : QHeaderView(Qt::Horizontal, list), list_(list) {
    setSectionsClickable(true);
    connect(this, &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
        if (tracking_ == section)
            list_->NotifyColumnResize(TMyListView::During, section, newSize);
    });
}

int TMyListViewHeader::DividerAt(int x) const {
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    for (int visual = 0; visual < count(); ++visual) {
        const int section = logicalIndex(visual);
        if (isSectionHidden(section))
            continue;
        const int right = sectionViewportPosition(section) + sectionSize(section);
        if (std::abs(x - right) <= grip)
            return section;
    }
    return -1;
}

void TMyListViewHeader::mousePressEvent(QMouseEvent* event) {
    const int section =
        event->button() == Qt::LeftButton ? DividerAt(event->position().toPoint().x()) : -1;
    if (section >= 0 && sectionResizeMode(section) == QHeaderView::Interactive) {
        tracking_ = section;
        list_->NotifyColumnResize(TMyListView::Begin, section, sectionSize(section));
    }
    QHeaderView::mousePressEvent(event);
}

void TMyListViewHeader::mouseReleaseEvent(QMouseEvent* event) {
    QHeaderView::mouseReleaseEvent(event);
    if (tracking_ >= 0) {
        const int section = tracking_;
        tracking_ = -1;
        list_->NotifyColumnResize(TMyListView::End, section, sectionSize(section));
    }
}

TMyListView::TMyListView(QWidget* parent) : QTreeWidget(parent) {
    setHeader(new TMyListViewHeader(this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (checkBoxes_ && column == 0)
            emit OnItemChecked(indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    });
}

void TMyListView::SetCheckBoxes(bool on) {
    checkBoxes_ = on;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (on) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            if (item->data(0, Qt::CheckStateRole).isNull())
                item->setCheckState(0, Qt::Unchecked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setData(0, Qt::CheckStateRole, QVariant());
        }
    }
}

bool TMyListView::Checked(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return checkBoxes_ && item && item->checkState(0) == Qt::Checked;
}

void TMyListView::SetChecked(int row, bool checked) {
    if (QTreeWidgetItem* item = topLevelItem(row); item && checkBoxes_)
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int TMyListView::CheckedCount() const {
    int count = 0;
    for (int i = 0; i < topLevelItemCount(); ++i)
        count += Checked(i) ? 1 : 0;
    return count;
}

void TMyListView::NotifyColumnResize(int phase, int section, int width) {
    QStringList captions;
    for (int i = 0; i < columnCount(); ++i)
        captions << headerItem()->text(i);
    const int column = ResolveColumnIndex(captions, section, headerItem()->text(section));
    switch (phase) {
    case Begin:
        emit OnBeginColumnResize(this, column, width);
        break;
    case During:
        emit OnColumnResize(this, column, width);
        break;
    default:
        emit OnEndColumnResize(this, column, width);
        break;
    }
}
