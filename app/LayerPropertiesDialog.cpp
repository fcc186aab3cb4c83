#include "app/LayerPropertiesDialog.h"
#include "ui/PlainText.h"

#include "ui/AppTexts.h"
#include "app/FolderBrowser.h"
#include "document/XpsFile.h"
#include "ui/AlertPrompt.h"
#include "ui/ErrorBox.h"
#include "ui/QtText.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>

TLayerPropertiesDialog::TLayerPropertiesDialog(TAlertPrompt* alert, const QStringList& colorNames, QWidget* parent)
    : QDialog(parent), NameLbl(new QLabel(this)), Cap(new QLineEdit(this)), FolderLbl(new QLabel(this)),
      Spath(new QLineEdit(this)), Button1(new QPushButton(this)), ColorLbl(new QLabel(this)),
      ComboBox1(new QComboBox(this)), Button2(new QPushButton(this)), ChartLbl(new QLabel(this)),
      MouthTable(new QTableWidget(0, 2, this)), ClassicMouthsButton(new QPushButton(this)),
      ShapeMouthsButton(new QPushButton(this)), Alert(alert) {
    setModal(true);
    ComboBox1->addItems(colorNames);
    Spath->setMinimumWidth(260);
    Button2->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { ChangeClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { OkClick(); });
    MouthTable->setObjectName("MouthTable");
    MouthTable->verticalHeader()->hide();
    MouthTable->horizontalHeader()->setStretchLastSection(true);
    MouthTable->setMinimumHeight(160);
    ClassicMouthsButton->setObjectName("ClassicMouthsButton");
    ShapeMouthsButton->setObjectName("ShapeMouthsButton");
    connect(ClassicMouthsButton, &QPushButton::clicked, this,
            [this] { AddMouthRows(TMouthChart::ClassicPhonemes()); });
    connect(ShapeMouthsButton, &QPushButton::clicked, this, [this] { AddMouthRows(TMouthChart::ShapePhonemes()); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(NameLbl, 0, 0);
    grid->addWidget(Cap, 0, 1, 1, 2);
    grid->addWidget(FolderLbl, 1, 0);
    grid->addWidget(Spath, 1, 1);
    grid->addWidget(Button1, 1, 2);
    grid->addWidget(ColorLbl, 2, 0);
    grid->addWidget(ComboBox1, 2, 1, Qt::AlignLeft);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button2);
    grid->addWidget(ChartLbl, 3, 0, Qt::AlignTop);
    grid->addWidget(MouthTable, 3, 1, 1, 2);
    auto* sets = new QHBoxLayout;
    sets->addWidget(ClassicMouthsButton);
    sets->addWidget(ShapeMouthsButton);
    sets->addStretch();
    grid->addLayout(sets, 4, 1, 1, 2);
    grid->addLayout(buttons, 5, 0, 1, 3);
    Retranslate();
}

void TLayerPropertiesDialog::Retranslate() {
    NameLbl->setText(Translate(LanguageKey("sName")));
    FolderLbl->setText(Translate(LanguageKey("sImageFolder")));
    Button1->setText(Translate(LanguageKey("sChange")));
    ColorLbl->setText(Translate(LanguageKey("sColor")));
    Button2->setText(Translate(LanguageKey("sOK")));
    ChartLbl->setText(Translate(LanguageKey("sMouthChart")));
    MouthTable->setHorizontalHeaderLabels({Translate(LanguageKey("sPhoneme")), Translate(LanguageKey("sDrawing"))});
    ClassicMouthsButton->setText(Translate(LanguageKey("sAddClassicMouths")));
    ShapeMouthsButton->setText(Translate(LanguageKey("sAddShapeMouths")));
    Cap->setToolTip(Translate(LanguageKey("msgLayerCaptionHint")));
    ComboBox1->setToolTip(Translate(LanguageKey("msgLayerColorHint")));
    ShowFolderHint();
}

bool TLayerPropertiesDialog::EditLayer(const TShown& shown, const QPoint& topLeft) {
    return Execute(Translate(LanguageKey("sLayerProperties")), shown, topLeft);
}

bool TLayerPropertiesDialog::NewLayer(const TShown& shown, const QPoint& topLeft) {
    return Execute(Translate(LanguageKey("msgLayerProp")), shown, topLeft);
}

bool TLayerPropertiesDialog::Execute(const QString& title, const TShown& shown, const QPoint& topLeft) {
    setWindowTitle(title);
    Cap->setText(shown.Caption);
    ShowFolder(shown.Folder);
    ComboBox1->setCurrentIndex(
        shown.ColorIndex >= 0 && shown.ColorIndex < ComboBox1->count() ? shown.ColorIndex : 0);
    FallbackFolder = shown.FallbackFolder;
    ShowChart(shown.Chart);
    adjustSize();
    QPoint place = topLeft;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        place.setX(std::max(area.left(), std::min(place.x(), area.right() - frameGeometry().width())));
    }
    move(place);
    Cap->setFocus();
    return exec() == QDialog::Accepted;
}

void TLayerPropertiesDialog::ShowFolder(const QString& folder) {
    Spath->setText(folder);
    ShowFolderHint();
    ListDrawings();
}

void TLayerPropertiesDialog::ShowFolderHint() {
    // The hint stays, with the folder below it once there is one.
    const QString hint = Translate(LanguageKey("msgLayerFolderHint"));
    const QString folder = Spath->text();
    Spath->setToolTip(PlainToolTip(folder.isEmpty() ? hint : hint + "\n" + folder));
}

void TLayerPropertiesDialog::ShowChart(const TMouthChart& chart) {
    MouthTable->setRowCount(0);
    for (const auto& [phoneme, drawing] : chart.Entries())
        AddMouthRow(FromStd(phoneme), FromStd(drawing));
}

void TLayerPropertiesDialog::AddMouthRow(const QString& phoneme, const QString& drawing) {
    for (int row = 0; row < MouthTable->rowCount(); ++row) {
        if (MouthTable->item(row, 0)->text().compare(phoneme, Qt::CaseInsensitive) == 0)
            return;
    }
    const int row = MouthTable->rowCount();
    MouthTable->insertRow(row);
    MouthTable->setItem(row, 0, new QTableWidgetItem(phoneme));
    auto* drawings = new QComboBox(MouthTable);
    drawings->setEditable(true);
    MouthTable->setCellWidget(row, 1, drawings);
    ListDrawings();
    drawings->setCurrentText(drawing);
}

void TLayerPropertiesDialog::AddMouthRows(const std::vector<std::string>& phonemes) {
    for (const std::string& phoneme : phonemes)
        AddMouthRow(FromStd(phoneme), {});
}

void TLayerPropertiesDialog::ListDrawings() {
    const QStringList pictures =
        QDir(Spath->text()).entryList({"*.png", "*.jpg", "*.jpeg", "*.bmp"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (int row = 0; row < MouthTable->rowCount(); ++row) {
        auto* drawings = static_cast<QComboBox*>(MouthTable->cellWidget(row, 1));
        const QString chosen = drawings->currentText();
        drawings->clear();
        drawings->addItem(QString());
        drawings->addItems(pictures);
        drawings->setCurrentText(chosen);
    }
}

TMouthChart TLayerPropertiesDialog::ReadChart() const {
    TMouthChart chart;
    for (int row = 0; row < MouthTable->rowCount(); ++row) {
        const QString phoneme = MouthTable->item(row, 0) ? MouthTable->item(row, 0)->text().trimmed() : QString();
        const auto* drawings = static_cast<const QComboBox*>(MouthTable->cellWidget(row, 1));
        if (!phoneme.isEmpty())
            chart.Set(ToStd(phoneme), ToStd(drawings->currentText().trimmed()));
    }
    return chart;
}

void TLayerPropertiesDialog::ChangeClick() {
    const QString start = QFileInfo(Spath->text()).isDir() ? Spath->text() : FallbackFolder;
    const QString chosen = BrowseForFolder(this, start);
    if (!chosen.isEmpty())
        ShowFolder(chosen);
}

void TLayerPropertiesDialog::OkClick() {
    Caption = Cap->text().trimmed();
    ColorIndex = ComboBox1->currentIndex();
    Chart = ReadChart();
    const QString folder = Spath->text().trimmed();
    if (!SheetCanStore(ToStd(Caption)) || !SheetCanStore(ToStd(folder))) {
        ShowErrorBox(this, Translate(LanguageKey("msgErrQuoteInName")));
        return;
    }
    // An existing folder, or one that can be made in an existing parent.
    if (!folder.isEmpty() && (QFileInfo(folder).isDir() || QDir().mkdir(folder))) {
        Folder = WithTrailingSeparator(folder);
        accept();
        return;
    }
    Alert->Alert(Translate(LanguageKey("msgErrDirCreate")));
}
