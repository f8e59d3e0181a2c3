#include "app/NavigationBar.h"

#include <QButtonGroup>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QVBoxLayout>

namespace app {
namespace {

// The colours of the bundle's artwork, so the bar and its icons belong together.
const QColor kText(0x1d, 0x35, 0x50);
const QColor kSelectedText(0x17, 0x4f, 0x91);
const QColor kDisabledText(0x8a, 0x98, 0xaa);
const QColor kAccent(0x2b, 0x6c, 0xb0);

constexpr int kIconLeft = 5;
constexpr int kTextGap = 7;
constexpr int kTextRight = 3;

QString BarSizedSibling(const QString& iconFile) {
    const QFileInfo info(iconFile);
    return info.dir().filePath(info.completeBaseName() +
                               QStringLiteral("-%1.").arg(NavigationItem::kIconSize) +
                               info.suffix());
}

} // namespace

NavigationItem::NavigationItem(QWidget* parent) : QAbstractButton(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setIconSize(QSize(kIconSize, kIconSize));
    setCursor(Qt::PointingHandCursor);
    // A click does not leave a focus frame behind; the keyboard still reaches every item.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

QSize NavigationItem::sizeHint() const {
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return {kIconLeft + kIconSize + kTextGap + textWidth + kTextRight, kHeight};
}

QSize NavigationItem::minimumSizeHint() const {
    return {kIconLeft + kIconSize + kTextRight, kHeight};
}

void NavigationItem::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void NavigationItem::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void NavigationItem::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(face, 5, 5);
    const bool enabled = isEnabled();
    if (isChecked()) {
        p.fillPath(shape, Qt::white);
        p.strokePath(shape, QPen(QColor(0x9f, 0xbd, 0xdf), 1));
        // A bar of the accent colour on the left marks the page on show.
        p.fillRect(QRectF(0.5, 6, 2.5, height() - 12), kAccent);
    } else if (enabled && isDown()) {
        p.fillPath(shape, QColor(255, 255, 255, 235));
    } else if (enabled && hovered_) {
        p.fillPath(shape, QColor(255, 255, 255, 150));
    }
    if (hasFocus()) {
        p.strokePath(shape, QPen(kAccent, 1, Qt::DotLine));
    }

    const QRect iconRect(kIconLeft, (height() - kIconSize) / 2, kIconSize, kIconSize);
    icon().paint(&p, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);

    QFont f = font();
    f.setBold(isChecked());
    p.setFont(f);
    p.setPen(!enabled ? kDisabledText : isChecked() ? kSelectedText : kText);
    const QRect area = TextArea();
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(f).elidedText(text(), Qt::ElideRight, area.width()));
}

QRect NavigationItem::TextArea() const {
    const int left = kIconLeft + kIconSize + kTextGap;
    return {left, 0, width() - left - kTextRight, height()};
}

bool NavigationItem::event(QEvent* event) {
    // A text cut short (a long translation) shows whole as the tool tip.
    if (event->type() == QEvent::ToolTip) {
        QFont f = font();
        f.setBold(isChecked());
        if (QFontMetrics(f).horizontalAdvance(text()) > TextArea().width())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractButton::event(event);
}

NavigationBar::NavigationBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("RzGroupBar"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(5, 8, 5, 8);
    layout_->setSpacing(1);
    setStyleSheet(QStringLiteral(
        "#RzGroupBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e3ecf7,"
        " stop:1 #c9d9ec); border-right: 1px solid #a9bdd6; }"
        "QLabel[groupCaption=\"true\"] { color: white; font-weight: bold; padding: 4px 9px;"
        " border-radius: 5px; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
        " stop:0 #17365a, stop:1 #2b6cb0); }"));
}

int NavigationBar::AddGroup(const QString& objectName, const QString& caption, bool selecting) {
    if (!groups_.empty())
        layout_->addSpacing(9);
    auto* header = new QLabel(caption, this);
    header->setObjectName(objectName);
    header->setProperty("groupCaption", true);
    layout_->addWidget(header);
    layout_->addSpacing(2);
    auto* buttons = new QButtonGroup(this);
    buttons->setExclusive(selecting);
    groups_.push_back({objectName, selecting, buttons, {}});
    return static_cast<int>(groups_.size() - 1);
}

QAbstractButton* NavigationBar::AddItem(int group, const QString& iconFile,
                                        std::function<void()> onClick) {
    Group& g = groups_.at(group);
    auto* item = new NavigationItem(this);
    item->setObjectName(QStringLiteral("%1Items%2").arg(g.name).arg(g.items.size()));
    // The drawing made for the bar's size stays crisp; the large one serves dense screens.
    QIcon icon;
    for (const QString& file : {BarSizedSibling(iconFile), iconFile})
        if (QFileInfo::exists(file))
            icon.addFile(file);
    item->setIcon(icon);
    item->setCheckable(g.selecting);
    g.buttons->addButton(item);
    g.items.push_back(item);
    connect(item, &QAbstractButton::clicked, this, [onClick = std::move(onClick)] { onClick(); });
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
