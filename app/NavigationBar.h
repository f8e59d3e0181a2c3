#pragma once

#include <QFrame>
#include <QString>
#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QVBoxLayout;

namespace app {

// The navigation bar: captioned groups of items with icons. Items of a selecting group stay
// marked (one at a time); the others are plain commands.
class NavigationBar : public QFrame {
    Q_OBJECT

public:
    explicit NavigationBar(QWidget* parent = nullptr);

    // Adds a group (its object name and fixed caption); returns its index.
    int AddGroup(const QString& objectName, const QString& caption, bool selecting);
    // Adds an item "<group>Items<n>" with an icon file (missing file: no icon).
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
