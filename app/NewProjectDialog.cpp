#include "app/NewProjectDialog.h"

#include "app/FolderBrowser.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/XpsFile.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/EntryDialog.h"
#include "ui/ErrorBox.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>

namespace {
constexpr std::array<int, 5> kRates{24, 30, 25, 12, 15};
constexpr int kOtherItem = static_cast<int>(kRates.size());

QString WithColon(const TLanguageKey& key) {
    return Translate(key) + ":";
}
} // namespace

TNewProjectDialog::TNewProjectDialog(TAlertPrompt* alert, TEntryDialog* entry, QWidget* parent)
    : QDialog(parent), InstructLabel1(new QLabel), ProjectLbl(new QLabel), Edit2(new QLineEdit),
      FpsLbl(new QLabel), ComboBox1(new QComboBox), LayersLbl(new QLabel), ComboBox2(new QComboBox),
      CreateLbl(new QLabel), ShellComboBox1(new QComboBox), UpDirSB(new QToolButton),
      NewFldr(new QToolButton), ShellListView1(new QListView), Button2(new QPushButton),
      Button3(new QPushButton), Alert(alert), Entry(entry), Model(new QFileSystemModel(this)) {
    setModal(true);
    setWindowTitle(Translate(LanguageKey("sNewProject")));

    auto* panel = new QWidget;
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    panel->setFixedWidth(240);
    InstructLabel1->setWordWrap(true);
    InstructLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    InstructLabel1->setText(Translate(LanguageKey("msgNewWithFoldersInst")).replace("\r\n", "\n"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(InstructLabel1);
    panelLayout->addStretch();

    ProjectLbl->setText(WithColon(LanguageKey("sProjectName")));
    FpsLbl->setText(WithColon(LanguageKey("sProjectFps")));
    LayersLbl->setText(WithColon(LanguageKey("sLayers")));
    CreateLbl->setText(WithColon(LanguageKey("sCreateIn")));
    for (const int rate : kRates)
        ComboBox1->addItem(QString::number(rate));
    ComboBox1->addItem(Translate("other...", "sOtherDots"));
    ComboBox2->addItems({"1", "2"});
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { FpsChosen(index); });

    ShellComboBox1->setEditable(true);
    ShellComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ShellComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(ShellComboBox1, &QComboBox::activated, this,
            [this](int) { GuardCommand(this, [this] { ShowFolder(ShellComboBox1->currentText()); }); });
    // Return in the path box or the list opens the folder rather than pressing OK.
    ShellComboBox1->installEventFilter(this);
    ShellComboBox1->lineEdit()->installEventFilter(this);
    ShellListView1->installEventFilter(this);
    UpDirSB->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    UpDirSB->setToolTip(Translate(LanguageKey("sUpFolder")));
    NewFldr->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    NewFldr->setToolTip(Translate(LanguageKey("sNewFolder")));
    connect(UpDirSB, &QToolButton::clicked, this, [this] { UpDirSBClick(); });
    connect(NewFldr, &QToolButton::clicked, this, [this] { GuardCommand(this, [this] { NewFldrClick(); }); });

    Model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    Model->setReadOnly(false); // new folders are named in place
    ShellListView1->setModel(Model);
    ShellListView1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    connect(ShellListView1, &QListView::activated, this,
            [this](const QModelIndex& index) { ShowFolder(Model->filePath(index)); });
    connect(Model, &QFileSystemModel::fileRenamed, this,
            [this](const QString& folder, const QString&, const QString& name) {
                ShellListView1->setCurrentIndex(Model->index(QDir(folder).filePath(name)));
            });

    Button2->setText(Translate(LanguageKey("sOK")));
    Button3->setText(Translate(LanguageKey("sCancel")));
    Button2->setDefault(true);
    Button2->setAutoDefault(true);
    connect(Button2, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(ProjectLbl, Edit2);
    fields->addRow(FpsLbl, ComboBox1);
    fields->addRow(LayersLbl, ComboBox2);
    ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ComboBox2->setMinimumWidth(60);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(ShellComboBox1, 1);
    pathRow->addWidget(UpDirSB);
    pathRow->addWidget(NewFldr);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addSpacing(6);
    right->addWidget(CreateLbl);
    right->addLayout(pathRow);
    right->addWidget(ShellListView1, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 10, 10);
    layout->addWidget(panel);
    layout->addLayout(right, 1);
    resize(640, 420);
}

bool TNewProjectDialog::Execute(QString& name, QString& folder, int& fps, int& layers) {
    Edit2->setText(name);
    ShowFolder(folder);
    Fps = fps;
    const auto* rate = std::find(kRates.begin(), kRates.end(), fps);
    ComboBox1->setCurrentIndex(rate == kRates.end() ? -1 : static_cast<int>(rate - kRates.begin()));
    ComboBox2->setCurrentIndex(0);
    if (const QWidget* main = parentWidget())
        move(main->frameGeometry().center() - rect().center());
    Edit2->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    name = Edit2->text();
    folder = WithTrailingSeparator(Listed);
    fps = Fps;
    layers = ComboBox2->currentIndex() + 1;
    return true;
}

void TNewProjectDialog::ShowFolder(const QString& folder) {
    QString path = QDir::cleanPath(folder.isEmpty() ? QDir::homePath() : folder);
    Listed = path;
    ShellListView1->setRootIndex(Model->setRootPath(path));
    // The path box lists the folder and the folders above it.
    ShellComboBox1->clear();
    for (QDir dir(path);;) {
        ShellComboBox1->addItem(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }
    ShellComboBox1->setCurrentIndex(0);
}

bool TNewProjectDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Return in a folder's name being typed ends the typing: the view commits the name
            // once the key is through, and the renamed folder stays chosen (see fileRenamed). Taken
            // here, it neither opens the folder under its old name nor presses OK.
            const QWidget* focus = QApplication::focusWidget();
            if (watched == ShellListView1 && focus && focus != ShellListView1 && ShellListView1->isAncestorOf(focus))
                return true;
            if (watched != ShellListView1) {
                ShowFolder(ShellComboBox1->currentText());
                return true;
            }
            if (ShellListView1->currentIndex().isValid()) {
                ShowFolder(Model->filePath(ShellListView1->currentIndex()));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TNewProjectDialog::UpDirSBClick() {
    QDir dir(Listed);
    if (dir.cdUp())
        ShowFolder(dir.absolutePath());
}

void TNewProjectDialog::NewFldrClick() {
    const QString base = Translate(LanguageKey("sNewFolder"));
    const QDir listed(Listed);
    QString name = base;
    for (int n = 1; listed.exists(name); ++n)
        name = base + QString::number(n);
    const QModelIndex made = Model->mkdir(ShellListView1->rootIndex(), name);
    if (!made.isValid())
        throw ECwError(Translate(LanguageKey("msgErrDirCreate")).toStdString());
    ShellListView1->setCurrentIndex(made);
    ShellListView1->edit(made);
}

void TNewProjectDialog::FpsChosen(int index) {
    if (index != kOtherItem) {
        Fps = kRates[static_cast<std::size_t>(index)];
        return;
    }
    QString text;
    if (Entry->AskValue(Translate(LanguageKey("sFps")), text))
        GuardCommand(this, [this, &text] { Fps = StrToInt(text.toStdString()); });
}

void TNewProjectDialog::OkClick() {
    GuardCommand(this, [this] {
        if (!Confirm())
            return;
        if (MakeProject)
            MakeProject(Edit2->text(), WithTrailingSeparator(Listed), Fps, ComboBox2->currentIndex() + 1);
        accept();
    });
}

bool TNewProjectDialog::Confirm() {
    if (!QFileInfo(Listed).isDir())
        throw ECwError("Please select a valid directory.");
    if (Edit2->text().isEmpty())
        throw ECwError("Please enter a Project name.");
    // The name becomes the layer folders' names, which the sheet must name exactly.
    if (!SheetCanStore(ToStd(Edit2->text())))
        throw ECwError(ToStd(Translate(LanguageKey("msgErrQuoteInName"))));
    const int item = ComboBox1->currentIndex();
    if (item < 0)
        throw ECwError("Please select a frame rate.");
    if (item != kOtherItem)
        Fps = kRates[static_cast<std::size_t>(item)];
    const QString file = Edit2->text() + ".xps";
    if (!QFileInfo::exists(QDir(Listed).filePath(file)))
        return true;
    return Alert->Prompt(Fill(Translate(LanguageKey("msgFileExists")), {file}),
                         Translate(LanguageKey("sOverWrite")),
                         Translate(LanguageKey("sCancel"))) == TAlertPrompt::TAnswer::Ok;
}
