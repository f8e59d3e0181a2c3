#include "app/NavigationBar.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace app {

NavigationBar::NavigationBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("RzGroupBar"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(8, 8, 8, 8);
    layout_->setSpacing(2);
    setStyleSheet(QStringLiteral(
        "#RzGroupBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #dfe9f5,"
        " stop:1 #c3d5ea); }"
        "QLabel[groupCaption=\"true\"] { color: white; font-weight: bold; padding: 5px 8px;"
        " border-radius: 4px; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
        " stop:0 #2f5d8c, stop:1 #4f86bf); }"
        "QToolButton { border: none; padding: 4px 6px; text-align: left; color: #1d3550;"
        " background: transparent; border-radius: 3px; }"
        "QToolButton:hover { background: rgba(255,255,255,0.7); color: #0b4f9c; }"
        "QToolButton:checked { background: white; font-weight: bold; color: #0b4f9c; }"
        "QToolButton:disabled { color: #8796a8; }"));
}

int NavigationBar::AddGroup(const QString& objectName, const QString& caption, bool selecting) {
    if (!groups_.empty())
        layout_->addSpacing(10);
    auto* header = new QLabel(caption, this);
    header->setObjectName(objectName);
    header->setProperty("groupCaption", true);
    layout_->addWidget(header);
    auto* buttons = new QButtonGroup(this);
    buttons->setExclusive(selecting);
    groups_.push_back({objectName, selecting, buttons, {}});
    return static_cast<int>(groups_.size() - 1);
}

QAbstractButton* NavigationBar::AddItem(int group, const QString& iconFile,
                                        std::function<void()> onClick) {
    Group& g = groups_.at(group);
    auto* item = new QToolButton(this);
    item->setObjectName(QStringLiteral("%1Items%2").arg(g.name).arg(g.items.size()));
    item->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    item->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    item->setIconSize(QSize(20, 20));
    item->setCursor(Qt::PointingHandCursor);
    if (QFileInfo::exists(iconFile))
        item->setIcon(QIcon(iconFile));
    item->setCheckable(g.selecting);
    g.buttons->addButton(item);
    g.items.push_back(item);
    connect(item, &QToolButton::clicked, this, [onClick = std::move(onClick)] { onClick(); });
    layout_->addWidget(item);
    return item;
}

QAbstractButton* NavigationBar::Item(int group, int index) const {
    return groups_.at(group).items.at(index);
}

void NavigationBar::Finish() {
    layout_->addStretch();
}

} // namespace app
