#pragma once

#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>

class TMyListView;

// The column of a header notification: the header item's own index when its caption agrees,
// otherwise the first column with the same caption (exact, at most 128 characters compared),
// -1 when none matches.
int ResolveColumnIndex(const QStringList& captions, int headerIndex, const QString& headerText);

// The header that tells its list when the user starts, drags and releases a column divider.
class TMyListViewHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit TMyListViewHeader(TMyListView* list);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The section whose right divider is under x, -1 when none is.
    int DividerAt(int x) const;

    TMyListView* list_;
    int tracking_ = -1;
};

// A report-style list with check boxes on demand and the three column-resize events.
class TMyListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TMyListView(QWidget* parent = nullptr);

    // Check boxes on the rows (item text column); off removes them from every row.
    void SetCheckBoxes(bool on);
    bool CheckBoxes() const { return checkBoxes_; }
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    int CheckedCount() const;

    // Raises the events for a header notification on `section`; width -1 when it carries none.
    void NotifyColumnResize(int phase, int section, int width);
    enum Phase { Begin = 0, During = 1, End = 2 };

signals:
    void OnBeginColumnResize(TMyListView* sender, int columnindex, int columnwidth);
    void OnColumnResize(TMyListView* sender, int columnindex, int columnwidth);
    void OnEndColumnResize(TMyListView* sender, int columnindex, int columnwidth);
    // A tick changed on a row.
    void OnItemChecked(int row, bool checked);

private:
    bool checkBoxes_ = false;
};
