#pragma once

#include <QAbstractButton>
#include <QFrame>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QVBoxLayout;

namespace app {

// One item of the navigation bar: the icon, then the text, left-aligned and vertically centred,
// on a rounded face that lights up under the mouse and stays white while it is the page on show.
class NavigationItem : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kIconSize = 24;
    static constexpr int kHeight = 31;

    explicit NavigationItem(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect TextArea() const;

    bool hovered_ = false;
};

// The navigation bar: captioned groups of items with icons. Items of a selecting group stay
// marked (one at a time); the others are plain commands.
class NavigationBar : public QFrame {
    Q_OBJECT

public:
    explicit NavigationBar(QWidget* parent = nullptr);

    // Adds a group (its object name and fixed caption); returns its index.
    int AddGroup(const QString& objectName, const QString& caption, bool selecting);
    // Adds an item "<group>Items<n>" with an icon file (missing file: no icon). A drawing of the
    // icon at the bar's own size beside it ("Name-24.png" for "Name.png") is used when present.
    QAbstractButton* AddItem(int group, const QString& iconFile, std::function<void()> onClick);
    QAbstractButton* Item(int group, int index) const;
    void Finish();

private:
    struct Group {
        QString name;
        bool selecting;
        QButtonGroup* buttons;
        std::vector<QAbstractButton*> items;
    };
    std::vector<Group> groups_;
    QVBoxLayout* layout_;
};

} // namespace app
