#include "gui/AboutWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFont>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>
#include <QUrl>

#include "common/Version.h"
#include "update/Endpoints.h"

namespace glyphon {

namespace {

// Message texts separate their lines with "\r" (a page's own "\r\n" is one
// line end too); the widgets want "\n".
QString Shown(const std::string& text) {
    return QString::fromStdString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace('\r', '\n');
}

QString ApplicationTitle() { return QStringLiteral("Glyphon"); }

// Hands the page to the desktop's browser; when there is none to start, the
// user is told where the page is rather than left with a click that did
// nothing.
void OpenInBrowser(const std::string& url, QWidget* parent) {
    if (QDesktopServices::openUrl(QUrl(QString::fromStdString(url)))) return;
    QMessageBox box(QMessageBox::Warning, ApplicationTitle(),
                    Shown(std::string(kNoBrowserMessage) + "\r" + url), QMessageBox::Ok, parent);
    box.exec();
}

// The check's dialogs as message boxes over the About window. The wait
// cursor of a running request gives way as soon as a dialog appears.
class MessageBoxUpdateUi : public UpdateUi {
public:
    explicit MessageBoxUpdateUi(QWidget* parent) : parent_(parent) {}
    ~MessageBoxUpdateUi() override { Idle(); }

    void Busy() {
        if (busy_) return;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
    }
    void Idle() {
        if (!busy_) return;
        QApplication::restoreOverrideCursor();
        busy_ = false;
    }

    void ShowMessage(const std::string& text) override {
        Idle();
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), Shown(text), QMessageBox::Ok, parent_);
        box.exec();
    }
    void Information(const std::string& text) override {
        Idle();
        QMessageBox::information(parent_, QStringLiteral("Information"), Shown(text));
    }
    bool AskYesNo(const std::string& text) override {
        Idle();
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), Shown(text),
                        QMessageBox::Yes | QMessageBox::No, parent_);
        return box.exec() == QMessageBox::Yes;
    }
    void OpenUrl(const std::string& url) override { OpenInBrowser(url, parent_); }

private:
    QWidget* parent_;
    bool busy_ = false;
};

// The About picture: a disc over a night-blue screen with an outlined
// subtitle line, 81 x 81.
QPixmap AboutPicture() {
    QPixmap pixmap(81, 81);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 81);
    sky.setColorAt(0, QColor(0x23, 0x4a, 0xa8));
    sky.setColorAt(1, QColor(0x08, 0x12, 0x38));
    p.setPen(QPen(QColor(0x05, 0x0b, 0x24), 1));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0.5, 0.5, 80, 80), 10, 10);

    QRadialGradient disc(QPointF(34, 26), 30);
    disc.setColorAt(0, QColor(0xf4, 0xf6, 0xfa));
    disc.setColorAt(0.55, QColor(0xb9, 0xc3, 0xd6));
    disc.setColorAt(1, QColor(0x7d, 0x8a, 0xa6));
    p.setPen(QPen(QColor(0x3a, 0x44, 0x5c), 1));
    p.setBrush(disc);
    p.drawEllipse(QPointF(40.5, 32), 25, 25);
    p.setBrush(QColor(0x9a, 0xa6, 0xbd));
    p.drawEllipse(QPointF(40.5, 32), 8, 8);
    p.setBrush(sky);
    p.drawEllipse(QPointF(40.5, 32), 3.5, 3.5);

    // The subtitle: white text with a black outline, as on a disc.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(17);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Glyphon"));
    const QRectF box = text.boundingRect();
    text.translate((81 - box.width()) / 2 - box.left(), 73 - box.bottom());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(text);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(text);
    return pixmap;
}

// The small donation badge.
QPixmap DonatePicture() {
    QPixmap pixmap(92, 31);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gold(0, 0, 0, 31);
    gold.setColorAt(0, QColor(0xff, 0xe0, 0x7a));
    gold.setColorAt(1, QColor(0xf2, 0xa5, 0x1a));
    p.setPen(QPen(QColor(0xb0, 0x7a, 0x10), 1));
    p.setBrush(gold);
    p.drawRoundedRect(QRectF(0.5, 0.5, 91, 30), 14, 14);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(QColor(0x13, 0x2c, 0x6e));
    p.drawText(QRectF(0, 0, 92, 31), Qt::AlignCenter, QStringLiteral("Donate"));
    return pixmap;
}

QLabel* PlainLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

TClickLabel* LinkLabel(QWidget* parent, const QRect& geometry) {
    auto* label = new TClickLabel(parent);
    label->setGeometry(geometry);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

}  // namespace

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

std::vector<std::string> TForm2::UsageLines() {
    const std::string kRule(178, '-');
    return {
        "Usage : ",
        "1) Just load you Original Dvd Ifo file  ex : VTS_01_0.IFO then the program automatically will read "
        "the right color pallette",
        "and pick the better colors for your sup file. If you dont have an ifo file just check the "
        "associated checkbox.",
        "2) After that, just load your srt. At this time the program looks the width of every textual "
        "subtitle in order to fit it on the dvd ",
        "screen.",
        "3) If the srt loads correctly then press Generate Sup, otherwise try to edit the srt or just pick a "
        "smaller font.",
        kRule,
        "How to convert multiple sup files at once. ",
        "From the 42.8 version and upper Glyphon support the batch mode.",
        "You can use it like this.",
        "1) Just load you Original Dvd Ifo file by pressing 'Load Ifo'. Ex : VTS_01_0.IFO. The program "
        "automatically will read the right ",
        "color pallette and pick the better colors for your sup file. If you dont have an ifo file just "
        "check the associated checkbox.",
        "2) Load your first subtitle by pressing 'Load srt'. Now glyphon checks the subtitles, if everything "
        "goes ok it will be loaded on ",
        "glyphon correctly, if not just try to select a smaller font size or try to edit your subtitle with "
        "notepad in order to make the subtitles ",
        "shorter.",
        "3) Select fonts,colors etc ... and when you finish press 'Add to Batch' select an output file like "
        "'MyBatch'",
        "4) Now repeat the steps 1,2,3 for the second subtitle. Different subtitles can have different "
        "options like size,color...",
        "5) After loading all the subtitles you wanted and adding them on MyBatch close glyphon.",
        "6) Find the 'MyBatch.bat' file and run it by double-clicking it.",
        "7) You are done ! ",
        kRule,
        "After generating the sup an help text will be generated in order to help you authoring your dvd "
        "with the 'Generated.sup'",
    };
}

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(616, 566);

    // Top: picture, description, maker and version.
    Image1 = PlainLabel(this, QString(), QRect(12, 12, 81, 81));
    LabelDescription = PlainLabel(this, QString(), QRect(106, 12, 498, 62));
    LabelDescription->setWordWrap(true);
    LabelDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelDescription->setTextInteractionFlags(Qt::TextSelectableByMouse);

    LabelMadeBy = PlainLabel(this, QStringLiteral("Made by :"), QRect(106, 76, 60, 18));
    LabelMorvane = LinkLabel(this, QRect(168, 76, 80, 18));
    LabelMorvane->setText(QStringLiteral("Morvane"));
    QFont linkFont = LabelMorvane->font();
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    LabelMorvane->setFont(linkFont);
    ShowLinkColour();
    LabelMorvane->adjustSize();

    LabelCurrentVersion = PlainLabel(this, QStringLiteral("Current version :"), QRect(400, 76, 110, 18));
    LabelVersion = PlainLabel(this, QString::fromUtf8(kVersion), QRect(512, 76, 92, 18));
    QFont versionFont = LabelVersion->font();
    versionFont.setBold(true);
    LabelVersion->setFont(versionFont);

    // Middle: how to use the program.
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(12, 104, 592, 318);
    Memo1->setReadOnly(true);
    // Lines longer than the box go on below rather than past its right
    // edge; the two rules of dashes, which no blank breaks, end at the edge.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setWordWrapMode(QTextOption::WordWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont memoFont = Memo1->font();
    memoFont.setPointSizeF(memoFont.pointSizeF() * 0.85);
    Memo1->setFont(memoFont);
    QStringList usage;
    for (const std::string& line : UsageLines()) usage << QString::fromStdString(line);
    Memo1->setPlainText(usage.join('\n'));

    // Bottom: thanks, the site, the check and the donation picture.
    LabelThanks = PlainLabel(this, QStringLiteral("Special Thanks to :"), QRect(12, 432, 200, 18));
    QFont thanksFont = LabelThanks->font();
    thanksFont.setBold(true);
    LabelThanks->setFont(thanksFont);
    Label5 = LinkLabel(this, QRect(30, 454, 420, 18));
    Label5->setText(QStringLiteral("The Glyphon testers, for every subtitle they tried"));
    QFont creditFont = Label5->font();
    creditFont.setUnderline(true);
    Label5->setFont(creditFont);
    Label6 = PlainLabel(this, QStringLiteral("Everyone who sent a bug report or a translation"),
                        QRect(30, 474, 420, 18));

    Button1 = new QPushButton(
        QStringLiteral("Visit the official site ") + QString::fromUtf8(update::kSiteName), this);
    Button1->setGeometry(12, 516, 300, 32);
    ButtonCheckVersion = new QPushButton(QStringLiteral("Check Version"), this);
    ButtonCheckVersion->setGeometry(324, 516, 140, 32);
    ImageDonate = LinkLabel(this, QRect(512, 516, 92, 31));
    ImageDonate->setToolTip(QStringLiteral("Support Glyphon"));

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ButtonCheckVersion, &QPushButton::clicked, this, [this] { ButtonCheckVersionClick(); });
    LabelMorvane->OnClick = [this] { Button1Click(); };
    Label5->OnClick = [this] { Label5Click(); };
    ImageDonate->OnClick = [this] { ImageDonateClick(); };

    FormCreate();
}

TForm2::~TForm2() = default;

void TForm2::ShowLinkColour() {
    // The link blue of the desktop's colours, readable on a dark theme too.
    QPalette linkPalette = LabelMorvane->palette();
    linkPalette.setColor(QPalette::WindowText, QApplication::palette(this).color(QPalette::Link));
    LabelMorvane->setPalette(linkPalette);
}

void TForm2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) &&
        LabelMorvane)
        ShowLinkColour();
}

void TForm2::FormCreate() {
    Image1->setPixmap(AboutPicture());
    ImageDonate->setPixmap(DonatePicture());
    description_ =
        std::string(
            "Glyphon is an freeware utility that converts txt subtitles to sup files in order to put "
            "them in a dvd.") +
        "\r" + "Official web site : " + update::kSiteUrl + "\r" + "Contact : " + update::kContactAddress;
    LabelDescription->setText(Shown(description_));
}

int TForm2::ShowModal() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    return exec();
}

void TForm2::ButtonCheckVersionClick() {
    const std::string current = LabelVersion->text().toStdString();
    if (updateUi_) {
        CheckVersion(*updateUi_, current, endpoint_);
        return;
    }
    // The request blocks the window (bounded by the updater's timeouts).
    MessageBoxUpdateUi ui(this);
    ui.Busy();
    CheckVersion(ui, current, endpoint_);
}

void TForm2::OpenUrl(const std::string& url) {
    if (updateUi_)
        updateUi_->OpenUrl(url);
    else
        OpenInBrowser(url, this);
}

void TForm2::Button1Click() { OpenUrl(update::kSiteUrl); }

void TForm2::Label5Click() { OpenUrl(update::kThanksPage); }

void TForm2::ImageDonateClick() { OpenUrl(update::kDonatePage); }

void ShowAbout(QWidget* parent) {
    TForm2* form = parent ? parent->findChild<TForm2*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!form) form = new TForm2(parent);
    form->ShowModal();
    if (!parent) delete form;
}

}  // namespace glyphon
