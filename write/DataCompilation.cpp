// The data compilation: the folder tree mirrors the data image's folders, the list shows the
// items of the folder chosen in the tree; every edit goes to the image first and the view is
// refilled from it. The ISO mode shows a loaded image the same way, read-only.
#include "write/TBurnCDPage.h"

#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "discengine/DataImage.h"
#include "discengine/Errors.h"
#include "discengine/SourceTree.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DiscReport.h"
#include "jobs/DataLayout.h"
#include "ui/Prompts.h"
#include "ui/TextFormat.h"
#include "write/EventPump.h"
#include "write/FileFacts.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

using MultiLanguages::Text;

namespace {

enum DataColumn { kName = 0, kFolder = 1, kSize = 2, kDate = 3 };

// Up to 15 significant digits, no trailing zeros ("1234", "1.44").
QString Decimal(double value) {
    return QString::number(value, 'g', 15);
}

// The folder part of an image or native path, with its trailing separator.
QString FolderPart(const QString& path) {
    const qsizetype at = std::max(path.lastIndexOf('\\'), path.lastIndexOf('/'));
    return at < 0 ? QString() : path.left(at + 1);
}

// The image's layout as a folder walk sees it, pumping the window's events between items.
class PumpingLayout final : public discengine::IFileLayoutX {
public:
    explicit PumpingLayout(discengine::IFileLayoutX& layout) : layout_(layout) {}
    std::shared_ptr<discengine::IDataItemX> Root() override { return layout_.Root(); }
    std::shared_ptr<discengine::IDataItemX> FindItem(const std::string& imagePath) override {
        return layout_.FindItem(imagePath);
    }
    std::shared_ptr<discengine::IDataItemX> AddItem(const std::string& source,
                                                    const std::string& imagePath) override {
        auto item = layout_.AddItem(source, imagePath);
        pump_.Pump();
        return item;
    }
    bool RenameFile(const std::string& imagePath, const std::string& newName) override {
        return layout_.RenameFile(imagePath, newName);
    }
    bool RenameFolder(const std::string& imagePath, const std::string& newName) override {
        return layout_.RenameFolder(imagePath, newName);
    }
    bool RemoveItem(const std::string& imagePath) override { return layout_.RemoveItem(imagePath); }
    void Clear() override { layout_.Clear(); }

private:
    discengine::IFileLayoutX& layout_;
    EventPump pump_;
};

double TotalItemBytes(const discengine::IDataItemX& folder, EventPump& pump) {
    double total = 0;
    for (std::int32_t i = 0; i < folder.ChildCount(); ++i) {
        auto child = folder.Child(i);
        total +=
            child->IsFolder() ? TotalItemBytes(*child, pump) : static_cast<double>(child->Size());
        pump.Pump();
    }
    return total;
}

QString DateText(std::chrono::system_clock::time_point when) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    return LocalDateTimeText(QDateTime::fromMSecsSinceEpoch(ms));
}

} // namespace

void TBurnCDPage::SetDataMode() {
    ShowCompilationButtons(true);
    currentLayout_ = shell_.Engine()->DataImage()->Layout();
    currentLayout_->Clear();
    filling_ = true;
    trvWrite->setVisible(true);
    trvWrite->setEnabled(true);
    // Editable again after the read-only ISO mode.
    trvWrite->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
    trvWrite->clear();
    auto* root = new QTreeWidgetItem(trvWrite, {Text(IDS_WRITECD_EDIT_VolumeID_DefaultText)});
    root->setFlags(root->flags() | Qt::ItemIsEditable);
    trvWrite->setCurrentItem(root);
    currentFolder_ = root;
    editedFolderPath_ = QStringLiteral("\\");
    lstWrite->setHeaderLabels(
        {Text(IDS_WRITECD_LISTVIEW_COLUMN_FileName), Text(IDS_WRITECD_LISTVIEW_COLUMN_Path),
         Text(IDS_WRITECD_LISTVIEW_COLUMN_Size), Text(IDS_WRITECD_LISTVIEW_COLUMN_Date)});
    lstWrite->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
    lstWrite->clear();
    lstWrite->header()->setStretchLastSection(true);
    for (int column = 0; column < 4; ++column)
        lstWrite->header()->setSectionResizeMode(column, QHeaderView::Interactive);
    lstWrite->setColumnWidth(kName, 150);
    lstWrite->setColumnWidth(kFolder, 150);
    lstWrite->setColumnWidth(kSize, 80);
    filling_ = false;
    if (shell_.BurnOptions)
        shell_.BurnOptions->OptionsForDataBurn(); // sets the volume ID, which names the root
    chkWrite_WriteToISO->setEnabled(true);
    ShowMoveItems(false);
    lblWrite_FileCounter->setText(
        ui::FormatText(Text(IDS_WRITECD_LABEL_FileCounter_DataFileCount), {0LL}));
    ShowDataUsedSpace();
}

void TBurnCDPage::SetIsoMode() {
    SetDataMode();
    ShowCompilationButtons(false);
    if (shell_.BurnOptions)
        shell_.BurnOptions->OptionsForIsoBurn();
    chkWrite_WriteToISO->setEnabled(false);
    lstWrite->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trvWrite->setEditTriggers(QAbstractItemView::NoEditTriggers);
    if (QTreeWidgetItem* root = trvWrite->topLevelItem(0))
        root->setFlags(root->flags() & ~Qt::ItemIsEditable);
    currentLayout_ = shell_.Engine()->DataImage()->Layout();
    currentLayout_->Clear();
}

QString TBurnCDPage::NodePath(QTreeWidgetItem* node) const {
    QStringList parts;
    for (; node && node->parent(); node = node->parent())
        parts.prepend(node->text(0));
    return "\\" + parts.join('\\');
}

QString TBurnCDPage::FolderPrefix(QTreeWidgetItem* node) const {
    QString path = NodePath(node);
    if (!path.endsWith('\\'))
        path += '\\';
    return path;
}

std::shared_ptr<discengine::IDataItemX> TBurnCDPage::FolderItem(const QString& path) const {
    return path == "\\" ? currentLayout_->Root() : currentLayout_->FindItem(path.toStdString());
}

void TBurnCDPage::EnsureCurrentFolder() {
    if (currentFolder_)
        return;
    currentFolder_ = trvWrite->topLevelItem(0);
    trvWrite->setCurrentItem(currentFolder_);
}

void TBurnCDPage::ShowFolderContents(QTreeWidgetItem* node) {
    if (!currentLayout_)
        return;
    const QString path = NodePath(node);
    auto folder = FolderItem(path);
    if (!folder) {
        shell_.WarningBox(ui::FormatText(Text(IDS_MSG_DirNotExistInImage), {path}));
        delete node;
        currentFolder_ =
            trvWrite->currentItem() ? trvWrite->currentItem() : trvWrite->topLevelItem(0);
        return;
    }
    if (!folder->IsFolder())
        return;
    const std::int32_t n = folder->ChildCount();
    filling_ = true;
    lstWrite->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(n);
    EventPump pump; // a folder of 100,000 files takes a while to list
    for (std::int32_t i = 0; i < n; ++i) {
        pump.Pump();
        auto child = folder->Child(i);
        const QString name = QString::fromStdString(child->Name());
        const QString where = writeMode_ == IsoMode
                                  ? FolderPart(QString::fromStdString(child->ImagePath()))
                                  : FolderPart(QString::fromStdString(child->SourcePath()));
        const QString size = child->IsFolder() ? Text(IDS_LISTVIEW_ITEM_Folder)
                                               : Decimal(static_cast<double>(child->Size()));
        auto* row = new QTreeWidgetItem({name, where, size, DateText(child->FileDate())});
        if (writeMode_ == DataMode)
            row->setFlags(row->flags() | Qt::ItemIsEditable);
        rows << row;
    }
    // Insertions of a few thousand rows: one per row would be slow, one for 100,000 rows would
    // hold the window still.
    constexpr qsizetype kRowsAtOnce = 5000;
    for (qsizetype at = 0; at < rows.size(); at += kRowsAtOnce) {
        lstWrite->addTopLevelItems(rows.mid(at, kRowsAtOnce));
        pump.Pump();
    }
    filling_ = false;
    lblWrite_FileCounter->setText(ui::FormatText(Text(IDS_WRITECD_LABEL_FileCounter_DataFileCount),
                                                 {static_cast<long long>(n)}));
}

void TBurnCDPage::trvWriteClick() {
    ShowFolderContents(currentFolder_);
}

void TBurnCDPage::AddDataFile(const QString& source, const QString& imageFolder) {
    const QFileInfo info(source);
    // Something there that is not a file (a FIFO, a device) goes on to the image, which says
    // why it cannot take it.
    if (!info.exists() || info.isDir()) {
        shell_.ErrorBox(ui::FormatText(Text(IDS_WRITECD_MSG_FileNotExist), {source}));
        return;
    }
    const QString folder = FolderPart(source);
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lstWrite->topLevelItem(i);
        if (row->text(kFolder) + row->text(kName) == source) {
            shell_.HintBox(ui::FormatText(Text(IDS_WRITECD_MSG_FileAlreadyAdded), {source}));
            return;
        }
    }
    // The file as the disk shows it, until the image's view replaces the row.
    filling_ = true;
    new QTreeWidgetItem(lstWrite, {info.fileName(), folder, QString::number(FileSizeOf(source)),
                                   FileDateText(source)});
    filling_ = false;
    try {
        const std::string name = discengine::ImageNameOf(info.fileName().toStdString());
        currentLayout_->AddItem(info.absoluteFilePath().toStdString(),
                                imageFolder.toStdString() + name);
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
}

void TBurnCDPage::AddFolderToCompilation(const QString& folder) {
    EnsureCurrentFolder();
    const QString at = NodePath(currentFolder_);
    QStringList skipped;
    try {
        PumpingLayout layout(*currentLayout_);
        jobs::AddFolderTree(layout, folder.toStdString(),
                            at == "\\" ? std::string() : at.toStdString(),
                            [&](const std::string&, const std::string& why) {
                                skipped << QString::fromStdString(why);
                            });
    } catch (const std::exception& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    // The tree below the current folder is rebuilt from the image, which merged what it holds.
    RebuildFolderNodes(currentFolder_);
    currentFolder_->setExpanded(true);
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
    if (!skipped.isEmpty()) {
        QStringList shown = skipped.mid(0, 10);
        if (skipped.size() > 10)
            shown << QStringLiteral("... (%1)").arg(skipped.size());
        shell_.WarningBox(shown.join('\n'));
    }
}

void TBurnCDPage::RebuildFolderNodes(QTreeWidgetItem* node) {
    filling_ = true;
    qDeleteAll(node->takeChildren());
    if (auto item = FolderItem(NodePath(node))) {
        EventPump pump;
        BuildFolderTree(item, node, pump);
    }
    filling_ = false;
}

void TBurnCDPage::BuildFolderTree(const std::shared_ptr<discengine::IDataItemX>& item,
                                  QTreeWidgetItem* node, EventPump& pump) {
    // Nodes are collected and handed over per folder: one insertion instead of one per node.
    QList<QTreeWidgetItem*> nodes;
    std::vector<std::shared_ptr<discengine::IDataItemX>> folders;
    for (std::int32_t i = 0; i < item->ChildCount(); ++i) {
        auto child = item->Child(i);
        pump.Pump();
        if (!child->IsFolder())
            continue;
        auto* sub = new QTreeWidgetItem({QString::fromStdString(child->Name())});
        if (writeMode_ == DataMode)
            sub->setFlags(sub->flags() | Qt::ItemIsEditable);
        nodes << sub;
        folders.push_back(std::move(child));
    }
    node->addChildren(nodes);
    for (std::size_t i = 0; i < folders.size(); ++i)
        BuildFolderTree(folders[i], nodes[static_cast<qsizetype>(i)], pump);
}

void TBurnCDPage::RemoveFromImage(const QString& path, QTreeWidgetItem* node) {
    auto item = currentLayout_->FindItem(path.toStdString());
    if (item && item->IsFolder() && node)
        for (int i = 0; i < node->childCount(); ++i)
            if (NodePath(node->child(i)) == path) {
                delete node->takeChild(i);
                break;
            }
    currentLayout_->RemoveItem(path.toStdString());
}

void TBurnCDPage::DeleteDataRows() {
    const QStringList names = TakeSelectedRows();
    const QString folder = FolderPrefix(currentFolder_);
    for (const QString& name : names)
        RemoveFromImage(folder + name, currentFolder_);
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
}

void TBurnCDPage::ClearDataRows() {
    const QString folder = FolderPrefix(currentFolder_);
    for (int i = 0; i < lstWrite->topLevelItemCount(); ++i)
        RemoveFromImage(folder + lstWrite->topLevelItem(i)->text(kName), currentFolder_);
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
}

void TBurnCDPage::actAddDirExecute() {
    const auto answer = ui::Prompts().InputBox(shell_.Window(), Text(IDS_WRITECD_InputDirName),
                                               Text(IDS_WRITECD_DirName), QString());
    const QString name = answer ? answer->trimmed() : QString();
    if (name.isEmpty())
        return;
    EnsureCurrentFolder();
    for (int i = 0; i < currentFolder_->childCount(); ++i)
        if (currentFolder_->child(i)->text(0) == name) {
            shell_.ErrorBox(Text(IDS_WRITECD_MSG_DirExisted));
            return;
        }
    const QString path = FolderPrefix(currentFolder_) + name;
    try {
        currentLayout_->AddItem(std::string(), path.toStdString());
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
        return;
    }
    filling_ = true;
    auto* node = new QTreeWidgetItem(currentFolder_, {name});
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    currentFolder_->setExpanded(true);
    filling_ = false;
    trvWrite->setCurrentItem(node);
    currentFolder_ = node;
}

void TBurnCDPage::actDeleteDirExecute() {
    EnsureCurrentFolder();
    if (!currentFolder_->parent()) {
        shell_.ErrorBox(Text(IDS_WRITECD_MSG_DeleteRoot));
        return;
    }
    if (ui::Prompts().MessageBox(shell_.Window(), Text(IDS_MSG_Warning),
                                 Text(IDS_WRITECD_MSG_DeleteDir), ui::MsgIcon::Warning,
                                 ui::MsgButtons::YesNo) != ui::MsgResult::Yes)
        return;
    currentLayout_->RemoveItem(NodePath(currentFolder_).toStdString());
    QTreeWidgetItem* old = currentFolder_;
    currentFolder_ = old->parent();
    filling_ = true;
    delete old;
    trvWrite->setCurrentItem(currentFolder_);
    filling_ = false;
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
}

void TBurnCDPage::actClearDirExecute() {
    if (ui::Prompts().MessageBox(shell_.Window(), Text(IDS_MSG_Warning),
                                 Text(IDS_WRITECD_MSG_DeleteDir), ui::MsgIcon::Warning,
                                 ui::MsgButtons::YesNo) != ui::MsgResult::Yes)
        return;
    currentLayout_->Clear();
    QTreeWidgetItem* root = trvWrite->topLevelItem(0);
    filling_ = true;
    qDeleteAll(root->takeChildren());
    trvWrite->setCurrentItem(root);
    filling_ = false;
    currentFolder_ = root;
    ShowFolderContents(root);
    ShowDataUsedSpace();
}

void TBurnCDPage::trvWriteEdited(QTreeWidgetItem* node, const QString& oldPath) {
    if (!node->parent() || writeMode_ != DataMode)
        return; // the root's text is the volume ID
    const QString name = node->text(0);
    bool renamed = false;
    try {
        renamed = !name.isEmpty() && !name.contains('\\') &&
                  currentLayout_->RenameFolder(oldPath.toStdString(), name.toStdString());
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    filling_ = true;
    if (!renamed) // the image keeps the old name, so does the tree
        node->setText(0, oldPath.mid(oldPath.lastIndexOf('\\') + 1));
    filling_ = false;
    editedFolderPath_ = NodePath(node);
}

void TBurnCDPage::lstWriteEdited(QTreeWidgetItem* row) {
    if (writeMode_ != DataMode || !currentLayout_)
        return;
    const QString path = NodePath(currentFolder_);
    auto folder = FolderItem(path);
    const int index = lstWrite->indexOfTopLevelItem(row);
    if (!folder || index < 0 || index >= folder->ChildCount())
        return;
    auto child = folder->Child(index);
    const std::string prefix = FolderPrefix(currentFolder_).toStdString();
    try {
        const std::string target = prefix + child->Name();
        if (child->IsFolder())
            currentLayout_->RenameFolder(target, row->text(kName).toStdString());
        else
            currentLayout_->RenameFile(target, row->text(kName).toStdString());
    } catch (const discengine::EngineError& e) {
        shell_.ErrorBox(QString::fromStdString(e.what()));
    }
    // The view follows the image, whatever it accepted.
    QMetaObject::invokeMethod(
        this,
        [this] {
            RebuildFolderNodes(currentFolder_);
            ShowFolderContents(currentFolder_);
        },
        Qt::QueuedConnection);
}

void TBurnCDPage::actBrowseExecute() {
    ui::FileDialogRequest request;
    request.filter = Text(IDS_WRITECD_OPENFILE_Filter_ISO);
    request.title = Text(IDS_WRITECD_OPENFILE_ISOTitle);
    request.initialDir = startingFolder_;
    const auto path = ui::Prompts().OpenFile(shell_.Window(), request);
    if (!path)
        return;
    LoadIsoFile(*path);
}

void TBurnCDPage::LoadIsoFile(const QString& path) {
    edtISOFilePath->setText(path);
    if (!QFileInfo(path).isFile())
        return;
    auto image = shell_.Engine()->DataImage();
    const int fileSystems = shell_.BurnOptions ? shell_.BurnOptions->FileSystems() : 7;
    bool loaded = false;
    QString reason;
    try {
        loaded = image->LoadImageFile(path.toStdString(), fileSystems);
    } catch (const discengine::EngineError& e) {
        reason = QString::fromStdString(e.what());
    }
    currentLayout_ = image->Layout();
    QTreeWidgetItem* root = trvWrite->topLevelItem(0);
    filling_ = true;
    qDeleteAll(root->takeChildren());
    filling_ = false;
    if (!loaded) {
        // Nothing readable was loaded: say so, and leave no half view behind.
        currentLayout_->Clear();
        edtISOFilePath->clear();
        if (shell_.BurnOptions)
            shell_.BurnOptions->SetVolumeId(QString());
        lstWrite->clear();
        currentFolder_ = root;
        ShowFolderContents(root);
        ShowDataUsedSpace();
        shell_.ErrorBox(QStringLiteral("%1 is not a readable ISO image.").arg(path) +
                        (reason.isEmpty() ? QString() : "\n" + reason));
        return;
    }
    const QString label = QString::fromStdString(image->Volume()->Label());
    if (shell_.BurnOptions)
        shell_.BurnOptions->SetVolumeId(label);
    SetVolumeName(label);
    RebuildFolderNodes(root);
    root->setExpanded(true);
    EnsureCurrentFolder();
    ShowFolderContents(currentFolder_);
    ShowDataUsedSpace();
}

void TBurnCDPage::ShowDataUsedSpace() {
    if (!currentLayout_)
        return;
    EventPump pump;
    const double bytes = TotalItemBytes(*currentLayout_->Root(), pump);
    const double used = std::ceil(bytes / 1048576.0 * 100) / 100 + 1.44;
    double free = 0;
    try {
        if (shell_.WriteDevice)
            free = DiscFreeMB(*shell_.WriteDevice);
    } catch (const discengine::EngineError&) {
        // A drive that cannot tell its free space shows 0 free.
    }
    lblWrite_FileSize->setText(ui::FormatText(Text(IDS_WRITECD_LABEL_FileSize_UesedPercent),
                                              {Decimal(used) + "MB", Decimal(free) + "MB"}));
    lblWrite_FileSize->repaint();
}
