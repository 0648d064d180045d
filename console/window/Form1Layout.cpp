// Building Form1: every control at its place, with its caption, items and
// default, from tables.

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>

#include "console/widgets/Controls.h"
#include "console/window/Form1.h"
#include "console/widgets/LabelFit.h"
#include "console/window/PortComboBox.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitForm1Resources() { Q_INIT_RESOURCE(Form1); }

namespace console {

namespace {

constexpr int ClientWidth = 1010;
constexpr int ClientHeight = 816;
const QColor Silver(0xC0, 0xC0, 0xC0);

struct LabelRow {
    const char* name;
    const char* caption;
    QPoint at;
};

// The header's texts. The contact labels hold neutral placeholders.
const LabelRow HeaderLabels[] = {
    {"Label29", "V3.0(20240127)", {720, 40}},
    {"ContactMail", "E-mail: info@example.com", {848, 8}},
    {"ContactPhone", "Tel: +00 000 0000 0000", {848, 24}},
    {"ContactWeb", "Web: www.example.com", {840, 40}},
};

struct PortComboRow {
    const char* label;
    int labelX;
    const char* name;
    int x;
    int width;
    QStringList items;
    int index;
};

QStringList ComPortNames() {
    QStringList names;
    for (int n = 1; n <= 12; ++n) names << QString("COM%1").arg(n);
    return names;
}

// Within GroupBox1: labels at y 20, boxes at y 16.
const PortComboRow PortCombos[] = {
    {"Serial Port Number:", 16, "SPREALCOM", 112, 57, ComPortNames(), 3},
    {"Baud:", 192, "ComboBox1", 228, 61, {"1200", "2400", "4800", "9600", "19200"}, 3},
    {"Parity:", 312, "ComboBox2", 350, 65, {"None", "Odd", "Even"}, 0},
    {"Stop Bits:", 440, "ComboBox3", 484, 45, {"1", "2"}, 0},
};

struct PageRow {
    const char* name;
    const char* caption;
};

const PageRow Pages[] = {
    {"TabSheet1", "System Parameter"},
    {"TabSheet2", "Modbus Instrument Parameter Configuration（Analog Signal）"},
    {"TabSheet3", "Modbus Instrument Parameter Configuration（Totalizer）"},
};

struct CheckRow {
    const char* name;
    const char* caption;
    QRect geometry;
};

const CheckRow CheckBoxes[] = {
    {"CheckBox2", "COM_DTR", {120, 632, 97, 17}},
    {"CheckBox1", "COM_RTS", {256, 632, 129, 17}},
};

void PaintSilver(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Silver);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

void TForm1::BuildWindow() {
    InitForm1Resources();
    setWindowTitle("TQ410-K");
    PaintSilver(this);

    auto* client = new QWidget(this);
    client->setObjectName("Form1Client");
    client->setFixedSize(ClientWidth, ClientHeight);
    PaintSilver(client);
    setCentralWidget(client);

    BuildHeader(client);
    BuildPortGroup(client);
    BuildPages(client);
    BuildBuffers(client);
    BuildActionStrip(client);
    BuildStatusBar();
    setFixedSize(ClientWidth, ClientHeight + statusBar()->sizeHint().height());
}

void TForm1::BuildHeader(QWidget* client) {
    auto* logo = new QLabel(client);
    logo->setObjectName("Image1");
    logo->setPixmap(QPixmap(":/resources/logo.png"));
    logo->setScaledContents(true);
    logo->setGeometry(8, 8, 97, 41);

    auto* title = new QLabel("TQ410-K Smart Converter Configuration Software", client);
    title->setObjectName("Label41");
    QFont font = title->font();
    font.setPixelSize(24);
    font.setBold(true);
    title->setFont(font);
    title->setGeometry(211, 8, 598, 41);

    for (const auto& row : HeaderLabels) MakeLabel(client, row.caption, row.at, row.name);
}

void TForm1::BuildPortGroup(QWidget* client) {
    auto* group = MakeGroup(client, "GroupBox1", "Communication Serial Port", {16, 56, 777, 49});
    for (const auto& row : PortCombos) {
        // A caption never runs under the box that follows it.
        auto* label = MakeLabel(group, row.label, {row.labelX, 20});
        FitLabel(label, row.x - row.labelX - 2);
        const QRect geometry(row.x, 16, row.width, 21);
        QComboBox* box = nullptr;
        if (QString(row.name) == "SPREALCOM") {
            box = new TPortComboBox(group, row.items);
            box->setObjectName(row.name);
            box->setGeometry(geometry);
            SetItemIndex(box, row.index);
        } else {
            box = MakeCombo(group, row.name, row.items, row.index, geometry);
        }
        SetAccessibleName(box, NameFromCaption(row.label));
        label->setBuddy(box);
    }
    SPREALCOM = group->findChild<TPortComboBox*>("SPREALCOM");
    ComboBox1 = group->findChild<QComboBox*>("ComboBox1");
    ComboBox2 = group->findChild<QComboBox*>("ComboBox2");
    ComboBox3 = group->findChild<QComboBox*>("ComboBox3");
    Button1 = MakeButton(group, "Button1", "Open", {560, 16, 57, 25});
    Button6 = MakeButton(group, "Button6", "Communication Query", {640, 16, 121, 25});
}

void TForm1::BuildPages(QWidget* client) {
    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(16, 112, 953, 505);
    QWidget** sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3};
    for (std::size_t i = 0; i < std::size(Pages); ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(Pages[i].name);
        PaintSilver(sheet);
        PageControl1->addTab(sheet, QString::fromUtf8(Pages[i].caption));
        *sheets[i] = sheet;
    }
    PageControl1->setCurrentIndex(0);

    // Lies over the lower right corner of the pages, so it shows on every page.
    Button8 = MakeButton(client, "Button8", "Parameter Initialization", {776, 568, 129, 33});
    Button8->raise();
}

void TForm1::BuildBuffers(QWidget* client) {
    for (const auto& row : CheckBoxes) {
        auto* box = new QCheckBox(row.caption, client);
        box->setObjectName(row.name);
        box->setGeometry(row.geometry);
        box->setChecked(false);
    }
    CheckBox1 = client->findChild<QCheckBox*>("CheckBox1");
    CheckBox2 = client->findChild<QCheckBox*>("CheckBox2");

    const QString sendCaption = "Send Buffer:";
    auto* sendLabel = MakeLabel(client, sendCaption, {32, 664});
    discomm = MakeEdit(client, "discomm", {}, {120, 664, 825, 21});
    sendLabel->setBuddy(discomm);
    SetAccessibleName(discomm, NameFromCaption(sendCaption));

    const QString receiveCaption = "Receive Buffer:";
    auto* receiveLabel = MakeLabel(client, receiveCaption, {24, 704});
    Memo8 = new QPlainTextEdit(client);
    receiveLabel->setBuddy(Memo8);
    Memo8->setObjectName("Memo8");
    SetAccessibleName(Memo8, NameFromCaption(receiveCaption));
    Memo8->setTabChangesFocus(true);  // Tab leaves the memo rather than typing a tab into it
    Memo8->setGeometry(120, 696, 841, 65);
    Memo8->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo8->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo8->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Button26 = MakeButton(client, "Button26", "Clear Buffer", {24, 736, 81, 25});
}

// The free strip under the receive buffer holds the actions beyond the
// original window (commissioning, traffic log, reconnect), so no control of
// the original window moves. Features add their widgets with AddToActionStrip.
void TForm1::BuildActionStrip(QWidget* client) {
    actionStrip_ = new QWidget(client);
    actionStrip_->setObjectName("ActionStrip");
    actionStrip_->setGeometry(120, 768, 841, 33);
    auto* layout = new QHBoxLayout(actionStrip_);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(6);
    layout->addStretch(1);
}

// The controls under the pages follow the page's own in the Tab order, as
// they follow it on the screen; the pages are built after the rest of the
// window, so their controls would otherwise come last.
void TForm1::OrderTabChain() {
    QWidget* previous = PageControl1;
    QWidget* widget = this;
    do {
        if (PageControl1->isAncestorOf(widget)) previous = widget;
        widget = widget->nextInFocusChain();
    } while (widget != this);
    for (QWidget* below : {static_cast<QWidget*>(Button8), static_cast<QWidget*>(CheckBox2),
                           static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(discomm),
                           static_cast<QWidget*>(Memo8), static_cast<QWidget*>(Button26), actionStrip_}) {
        QWidget::setTabOrder(previous, below);
        previous = below;
    }
}

void TForm1::AddToActionStrip(QWidget* widget) {
    auto* layout = static_cast<QHBoxLayout*>(actionStrip_->layout());
    widget->setParent(actionStrip_);
    layout->insertWidget(layout->count() - 1, widget);  // before the stretch
}

void TForm1::BuildStatusBar() {
    portState_ = new QLabel(this);
    portState_->setObjectName("PortState");
    traffic_ = new QLabel(this);
    traffic_->setObjectName("Traffic");
    statusBar()->setObjectName("StatusBar");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addPermanentWidget(traffic_);
    statusBar()->addPermanentWidget(portState_);
}

}  // namespace console
