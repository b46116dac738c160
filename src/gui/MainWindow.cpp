#include "gui/MainWindow.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <exception>

#include "app/FileArgument.h"
#include "common/Convert.h"
#include "gui/QtUi.h"

namespace glyphon {

namespace {

// The classic window is 803 pixels wide; the outputs panel stands right of it.
constexpr int kPanelLeft = 803, kPanelWidth = 300;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w = -1, int h = 14) {
    auto* l = new QLabel(text, parent);
    if (w < 0) w = l->sizeHint().width();
    l->setGeometry(x, y, w, h);
    return l;
}

// A button caption with its Alt-key letter marked; the caption itself is
// the model's.
QString WithMnemonic(const std::string& caption) {
    static const std::pair<const char*, const char*> kMarked[] = {
        {"Load IFO", "Load &IFO"},
        {"Load SRT", "Load &SRT"},
        {"Generate Sup", "&Generate Sup"},
        // "Abort" shows only while "About" is locked with the rest.
        {"Abort", "&Abort"},
        {"Add To Batch", "Add To &Batch"},
        {"About", "&About"},
    };
    for (const auto& [plain, marked] : kMarked)
        if (caption == plain) return QString::fromLatin1(marked);
    return ToQString(caption).replace('&', QStringLiteral("&&"));
}

QPushButton* MakeButton(QWidget* parent, const std::string& caption, int x, int y, int w, int h, bool bold) {
    auto* b = new QPushButton(WithMnemonic(caption), parent);
    b->setGeometry(x, y, w, h);
    if (bold) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    return b;
}

}  // namespace

MainWindow::MainWindow(TForm1& model, QtUi& ui) : model_(model), ui_(ui) {
    setWindowTitle(ToQString(model_.Caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The window was laid out for an 8-point sans serif; Arial (Liberation
    // Sans here) keeps every caption inside its control.
    QFont f("Liberation Sans");
    f.setPointSize(8);
    setFont(f);
    // Group captions sit on the frame line, interrupting it, as group boxes
    // are drawn on the desktop the window was laid out for; lists drop down
    // below their box.
    setStyleSheet(
        "* { font-family: \"Liberation Sans\"; font-size: 8pt; }"
        " QComboBox { padding: 0px 0px 0px 3px; combobox-popup: 0; } QComboBox::drop-down { width: 13px; }"
        " QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
        " QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px;"
        " padding: 0px 2px; background-color: palette(window); }");
    setFixedSize(kPanelLeft + kPanelWidth + 8, 705);
    setAcceptDrops(true);
    Build();
    Connect();
    AddShortcuts();
    Sync();
}

MainWindow::~MainWindow() = default;

QComboBox* MainWindow::Combo(QWidget* parent, TComboBox& model, int x, int y, int w) {
    auto* box = new QComboBox(parent);
    box->setGeometry(x, y, w, 20);
    box->setMaxVisibleItems(20);
    combos_.emplace_back(box, &model);
    return box;
}

void MainWindow::Build() {
    // "Input": palette source, video standard, subtitle file, swatches.
    input_ = new QGroupBox(ToQString(model_.GroupBoxInput.caption), this);
    input_->setGeometry(8, 0, 305, 78);
    editIfo_ = new QLineEdit(input_);
    editIfo_->setGeometry(6, 13, 72, 15);
    editSrt_ = new QLineEdit(input_);
    editSrt_->setGeometry(82, 13, 72, 15);
    for (QLineEdit* e : {editIfo_, editSrt_}) {
        e->setReadOnly(true);
        e->setFrame(false);
        e->setAcceptDrops(false);  // a dropped file is the window's
    }
    loadIfo_ = MakeButton(input_, model_.ButtonLoadIfo.caption, 6, 28, 72, 19, true);
    loadSub_ = MakeButton(input_, model_.ButtonLoadSub.caption, 82, 28, 72, 19, true);
    noIfoLabel_ = MakeLabel(input_, ToQString(model_.no_ifo.caption), 164, 12, 92, 36);
    noIfoLabel_->setWordWrap(true);
    noIfoLabel_->setStyleSheet("font-size: 7pt;");
    noIfoLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    noIfo_ = new QCheckBox(ToQString(model_.i_dont_have_ifo.caption), input_);
    noIfo_->setGeometry(158, 12, 15, 15);  // the caption stays hidden under the label's blanks
    pal_ = new QRadioButton(ToQString(model_.Pal.caption), input_);
    pal_->setGeometry(256, 12, 46, 17);
    ntsc_ = new QRadioButton(ToQString(model_.Ntsc.caption), input_);
    ntsc_->setGeometry(256, 29, 46, 17);
    ifoColors_ = MakeLabel(input_, ToQString(model_.LabelIfoColors.caption), 4, 55, 56);

    // "Colors": the four role lists.
    colors_ = new QGroupBox(ToQString(model_.GroupBoxColors.caption), this);
    colors_->setGeometry(316, 0, 296, 52);
    const std::pair<const char*, TComboBox*> roles[] = {{"Antialias", &model_.ComboBoxAntialias},
                                                        {"Outine", &model_.ComboBoxOutline},
                                                        {"Text", &model_.ComboBoxText},
                                                        {"Background", &model_.ComboBoxBg}};
    for (int i = 0; i < 4; ++i) {
        MakeLabel(colors_, roles[i].first, 6 + 66 * i, 12, 66);
        Combo(colors_, *roles[i].second, 6 + 66 * i, 26, 64);
    }
    colorsHelp_ = MakeButton(colors_, model_.ButtonColorsHelp.caption, 270, 26, 20, 20, false);

    // "General Settings": reset, own preview pictures, About.
    general_ = new QGroupBox(ToQString(model_.GroupBoxGeneralSettings.caption), this);
    general_->setGeometry(616, 0, 180, 52);
    reset_ = MakeButton(general_, "", 8, 18, 40, 26, false);
    reset_->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    reset_->setToolTip("Reset every setting to its default");
    changeImage_ = MakeButton(general_, "", 52, 18, 40, 26, false);
    changeImage_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    changeImage_->setToolTip("Choose your own PAL and NTSC preview pictures");
    about_ = MakeButton(general_, model_.ButtonAbout.caption, 110, 18, 62, 26, false);

    // "Render Fonts".
    fonts_ = new QGroupBox(ToQString(model_.GroupBoxRenderFonts.caption), this);
    fonts_->setGeometry(316, 56, 480, 68);
    MakeLabel(fonts_, "Font Name", 6, 12);
    Combo(fonts_, model_.ComboBoxFontName, 6, 26, 96);
    MakeLabel(fonts_, "Font Charset", 104, 12);
    Combo(fonts_, model_.ComboBoxFontCharset, 104, 26, 80);
    MakeLabel(fonts_, "Font Style", 186, 12);
    Combo(fonts_, model_.ComboBoxFontStyle, 186, 26, 72);
    MakeLabel(fonts_, "Font Size", 260, 12);
    Combo(fonts_, model_.ComboBoxFontSize, 260, 26, 44);
    // "Font Size" is wider than its list: "Align" starts clear of it.
    MakeLabel(fonts_, "Align", 312, 12);
    Combo(fonts_, model_.ComboBoxAlign, 312, 26, 54);
    MakeLabel(fonts_, "Offsets", 370, 12);
    offset_ = new QSlider(Qt::Horizontal, fonts_);
    offset_->setGeometry(368, 28, 54, 18);
    labelOffset_ = MakeLabel(fonts_, "", 372, 48, 28);
    offsetOr_ = new QSlider(Qt::Vertical, fonts_);
    // Clear of the frame line at both ends of its range.
    offsetOr_->setGeometry(424, 15, 14, 48);
    offsetOr_->setInvertedAppearance(true);
    // Only even positions exist: keys move two (or a page of four) at a
    // time, so that a step down is not raised back to where it started.
    offsetOr_->setSingleStep(2);
    offsetOr_->setPageStep(4);
    labelOffsetOr_ = MakeLabel(fonts_, "", 402, 48, 22);
    MakeLabel(fonts_, "Outline", 442, 12, 36);
    Combo(fonts_, model_.ComboBoxOutlineWidth, 442, 26, 34);

    // The run, the list and the preview.
    progress_ = new QProgressBar(this);
    progress_->setGeometry(8, 80, 100, 10);
    progress_->setTextVisible(false);
    generate_ = MakeButton(this, model_.ButtonGenerateSup.caption, 8, 90, 100, 18, true);
    batch_ = MakeButton(this, model_.ButtonBatch.caption, 8, 108, 100, 18, true);
    list_ = new QListWidget(this);
    list_->setGeometry(112, 80, 200, 44);
    preview_ = new QLabel(this);
    preview_->setGeometry(40, 126, 720, 576);
    preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // "Outputs": everything beyond the classic controls, in a panel of its
    // own right of them: the disc's subtitle files with their languages,
    // the film, the output folder, the other formats and the placing.
    outputs_ = new QGroupBox("Outputs", this);
    outputs_->setGeometry(kPanelLeft, 0, kPanelWidth, 697);
    const int inner = kPanelWidth - 16;
    MakeLabel(outputs_, "Subtitle files (stream order) and languages", 8, 16, inner);
    files_ = new QListWidget(outputs_);
    files_->setGeometry(8, 32, inner, 112);
    files_->setToolTip("One subtitle stream a file: the first is stream 0");
    const std::pair<QPushButton**, TButton*> fileButtons[] = {{&addFiles_, &model_.ButtonAddFiles},
                                                              {&removeFile_, &model_.ButtonRemoveFile},
                                                              {&fileUp_, &model_.ButtonFileUp},
                                                              {&fileDown_, &model_.ButtonFileDown}};
    const int buttonWidth = (inner - 3 * 4) / 4;
    for (int i = 0; i < 4; ++i)
        *fileButtons[i].first = MakeButton(outputs_, fileButtons[i].second->caption,
                                           8 + (buttonWidth + 4) * i, 148, buttonWidth, 22, false);
    MakeLabel(outputs_, "Language of the selected file", 8, 178, 180, 16);
    language_ = new QLineEdit(outputs_);
    language_->setGeometry(190, 176, 40, 20);
    language_->setMaxLength(2);
    language_->setToolTip("Two letters (ISO 639-1), such as en or fr; taken from names like movie.fr.srt");

    outputFolder_ = MakeButton(outputs_, model_.ButtonOutputFolder.caption, 8, 208, 110, 22, false);
    outputFolderClear_ =
        MakeButton(outputs_, model_.ButtonOutputFolderClear.caption, 122, 208, inner - 114, 22, false);
    outputFolderClear_->setToolTip("Write every output beside its subtitle file");
    editOutput_ = new QLineEdit(outputs_);
    editOutput_->setGeometry(8, 234, inner, 20);
    editOutput_->setReadOnly(true);
    editOutput_->setAcceptDrops(false);
    editOutput_->setPlaceholderText("beside each subtitle file");

    // A box for each output kind the model shows, in the output table's
    // order; the kinds with settings of their own have them under the box.
    int y = 268;
    for (const TForm1::OutputBox& output : model_.OutputBoxes) {
        if (!output.box.visible) continue;
        auto* box = new QCheckBox(ToQString(output.box.caption), outputs_);
        box->setGeometry(8, y, inner, 18);
        outputBoxes_.emplace_back(box, output.kind);
        y += 24;
        if (&output.box == &model_.CheckBoxMux) {
            // The film's name, standard and aspect.
            mux_ = box;
            film_ = MakeLabel(outputs_, "", 26, y - 4, inner - 18, 16);
            y += 18;
        } else if (&output.box == &model_.CheckBoxPgs) {
            // The Blu-ray stream's size and colours, a row each, each list
            // wide enough for its longest choice ("lightgoldenrodyellow").
            const struct {
                const char* caption;
                const char* tip;
                TComboBox* list;
            } pgsLists[] = {
                {"Size", "Picture size of the Blu-ray PGS output", &model_.ComboBoxPgsResolution},
                {"Text", "Text colour of the Blu-ray PGS output (role: the Text colour)",
                 &model_.ComboBoxPgsText},
                {"Outline", "Outline colour of the Blu-ray PGS output (role: the Outine colour)",
                 &model_.ComboBoxPgsOutline},
            };
            for (const auto& list : pgsLists) {
                MakeLabel(outputs_, list.caption, 26, y + 1, 50, 14)->setToolTip(list.tip);
                QComboBox* combo = Combo(outputs_, *list.list, 80, y - 2, inner - 72);
                pgsBoxes_.push_back({combo, list.tip});
                y += 24;
            }
        }
    }

    y += 8;
    wrap_ = new QCheckBox(ToQString(model_.CheckBoxWrap.caption), outputs_);
    wrap_->setGeometry(8, y, inner, 18);
    anchor_ = new QCheckBox(ToQString(model_.CheckBoxAnchorBottom.caption), outputs_);
    anchor_->setGeometry(8, y + 24, inner, 18);
    anchor_->setToolTip("The last line with text sits at the offset from the bottom, as players place text");
}

void MainWindow::Connect() {
    connect(loadIfo_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.ButtonLoadIfoClick(); }); });
    connect(loadSub_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.ButtonLoadSubClick(); }); });
    connect(colorsHelp_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.ButtonColorsHelpClick(); }); });
    connect(reset_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.BitBtnSetDefaultValuesClick(); }); });
    connect(changeImage_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.BitBtnChangeImageClick(); }); });
    connect(about_, &QPushButton::clicked, this, [this] { Guard([this] { model_.ButtonAboutClick(); }); });
    connect(generate_, &QPushButton::clicked, this,
            [this] { Guard([this] { model_.ButtonGenerateSupClick(); }); });
    connect(batch_, &QPushButton::clicked, this, [this] { Guard([this] { model_.ButtonBatchClick(); }); });
    connect(noIfo_, &QCheckBox::toggled, this,
            [this](bool on) { Guard([this, on] { model_.SetNoIfoChecked(on); }); });
    for (const auto& [box, kind] : outputBoxes_) {
        const std::string name = kind;
        connect(box, &QCheckBox::toggled, this, [this, name](bool on) {
            Guard([this, name, on] {
                model_.OutputCheckBox(name).checked = on;
                model_.OutputBoxClick(name);
            });
        });
    }
    connect(wrap_, &QCheckBox::toggled, this, [this](bool on) {
        Guard([this, on] {
            if (model_.CheckBoxWrap.checked == on) return;
            model_.CheckBoxWrap.checked = on;
            model_.CheckBoxWrapClick();
        });
    });
    connect(anchor_, &QCheckBox::toggled, this, [this](bool on) {
        Guard([this, on] {
            if (model_.CheckBoxAnchorBottom.checked == on) return;
            model_.CheckBoxAnchorBottom.checked = on;
            model_.CheckBoxAnchorBottomClick();
        });
    });
    const auto forward = [this](QPushButton* button, std::function<void(TForm1&)> handler) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { Guard([this, handler] { handler(model_); }); });
    };
    forward(addFiles_, [](TForm1& m) { m.ButtonAddFilesClick(); });
    forward(removeFile_, [](TForm1& m) { m.ButtonRemoveFileClick(); });
    forward(fileUp_, [](TForm1& m) { m.ButtonFileUpClick(); });
    forward(fileDown_, [](TForm1& m) { m.ButtonFileDownClick(); });
    forward(outputFolder_, [](TForm1& m) { m.ButtonOutputFolderClick(); });
    forward(outputFolderClear_, [](TForm1& m) { m.ButtonOutputFolderClearClick(); });
    connect(files_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != model_.ListBoxFiles.itemIndex)
            Guard([this, row] { model_.ListBoxFilesSelect(row); });
    });
    connect(language_, &QLineEdit::editingFinished, this, [this] {
        const std::string text = language_->text().toStdString();
        if (text != model_.EditLanguage.text) Guard([this, text] { model_.EditLanguageChange(text); });
    });
    connect(pal_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Guard([this] { model_.SelectStandard(true); });
    });
    connect(ntsc_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Guard([this] { model_.SelectStandard(false); });
    });
    for (auto& [box, combo] : combos_) {
        TComboBox* c = combo;
        connect(box, &QComboBox::activated, this,
                [this, c](int index) { Guard([this, c, index] { model_.UserPick(*c, index); }); });
    }
    connect(offset_, &QSlider::valueChanged, this,
            [this](int v) { Guard([this, v] { model_.SetOffsetPosition(v); }); });
    connect(offsetOr_, &QSlider::valueChanged, this,
            [this](int v) { Guard([this, v] { model_.SetOffsetOrPosition(v); }); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != model_.ListBox1.itemIndex) Guard([this, row] { model_.ListBox1Select(row); });
    });
    // A click on the entry that is already selected (the first one, right
    // after loading) shows it too; a click that changes the selection was
    // forwarded above.
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListWidget::pressed, this, [this](const QModelIndex& index) {
        const int row = index.row();
        if (row >= 0 && row == pressedRow_ && row == model_.ListBox1.itemIndex)
            Guard([this, row] { model_.ListBox1Select(row); });
    });
}

void MainWindow::AddShortcuts() {
    // The main actions from the keyboard, as their buttons: nothing happens
    // while a button is locked.
    const std::pair<QKeySequence, QPushButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), loadSub_},
        {QKeySequence(Qt::CTRL | Qt::Key_I), loadIfo_},
        {QKeySequence(Qt::CTRL | Qt::Key_G), generate_},
        {QKeySequence(Qt::Key_F1), about_},
    };
    for (const auto& [key, button] : keys) {
        auto* shortcut = new QShortcut(key, this);
        QPushButton* target = button;
        connect(shortcut, &QShortcut::activated, this, [target] { target->click(); });
    }
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress)
        pressedRow_ = list_->currentRow();
    return QWidget::eventFilter(watched, event);
}

QStringList MainWindow::DroppableFiles(const QMimeData* data) const {
    // Only what "Load IFO" and "Load SRT" could do now: not during a run.
    if (!data || !data->hasUrls() || !model_.GroupBoxInput.enabled) return {};
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files.push_back(url.toLocalFile());
    }
    return files;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppableFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QStringList files = DroppableFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    // Loaded once the drop is over, so that the program the file came from
    // is not kept waiting by the load's message boxes.
    std::vector<std::string> paths;
    for (const QString& file : files) paths.push_back(file.toLocal8Bit().toStdString());
    QTimer::singleShot(0, this,
                       [this, paths] { Guard([this, &paths] { OpenFilesInWindow(model_, paths); }); });
}

void MainWindow::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ui_.ShowError(WithFullStop(e.what()));
    }
    Sync();
}

void MainWindow::SyncCombo(QComboBox* box, const TComboBox& model) {
    const QSignalBlocker block(box);
    if (box->count() != int(model.items.size()) ||
        (box->count() > 0 && box->itemText(box->count() - 1) != ToQString(model.items.back()))) {
        box->clear();
        int widest = 0;
        for (const auto& item : model.items) {
            box->addItem(ToQString(item));
            widest = std::max(widest, box->view()->fontMetrics().horizontalAdvance(ToQString(item)));
        }
        // The box keeps its fixed width; its open list is as wide as the
        // longest item (text margins, frame and a scroll bar beside it).
        const int scrollBar =
            box->count() > box->maxVisibleItems() ? box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
        box->view()->setMinimumWidth(widest + 16 + scrollBar);
    }
    box->setCurrentIndex(model.itemIndex);
    box->setEnabled(model.enabled);
}

void MainWindow::SyncSwatches() {
    const auto& swatches = model_.Swatches;
    const bool same = swatches.size() == shownSwatches_.size() &&
                      std::equal(swatches.begin(), swatches.end(), shownSwatches_.begin(),
                                 [](const PaletteSwatch& a, const PaletteSwatch& b) {
                                     return a.color == b.color && a.entryText == b.entryText &&
                                            a.left == b.left && a.labelLeft == b.labelLeft;
                                 });
    if (same) return;
    for (QWidget* w : swatchWidgets_) delete w;
    swatchWidgets_.clear();
    for (const auto& s : swatches) {
        auto* square = new QLabel(input_);
        square->setGeometry(s.left, s.top, 14, 14);
        // Filled through the palette, not a style sheet: a style sheet
        // would colour the swatch's tooltip as well.
        QPalette fill = square->palette();
        fill.setColor(QPalette::Window, QColor(s.color.r, s.color.g, s.color.b));
        square->setPalette(fill);
        square->setAutoFillBackground(true);
        square->setToolTip(ToQString(s.entryText));
        auto* number = new QLabel(ToQString(s.labelCaption), input_);
        number->setGeometry(s.labelLeft, s.labelTop, 14, 14);
        number->setToolTip(ToQString(s.entryText));
        QFont small = number->font();
        small.setPointSize(6);
        number->setFont(small);
        square->show();
        number->show();
        swatchWidgets_.push_back(square);
        swatchWidgets_.push_back(number);
    }
    shownSwatches_ = swatches;
}

void MainWindow::Sync() {
    setWindowTitle(ToQString(model_.Caption));
    input_->setEnabled(model_.GroupBoxInput.enabled);
    colors_->setEnabled(model_.GroupBoxColors.enabled);
    general_->setEnabled(model_.GroupBoxGeneralSettings.enabled);
    fonts_->setEnabled(model_.GroupBoxRenderFonts.enabled);
    loadIfo_->setEnabled(model_.ButtonLoadIfo.enabled);
    loadSub_->setEnabled(model_.ButtonLoadSub.enabled);
    editIfo_->setText(ToQString(model_.EditLoadIfo.text));
    editSrt_->setText(ToQString(model_.EditLoadSrt.text));
    editIfo_->setToolTip(ToQString(model_.EditLoadIfo.text));
    editSrt_->setToolTip(ToQString(model_.EditLoadSrt.text));
    editIfo_->setEnabled(model_.EditLoadIfo.enabled);
    editSrt_->setEnabled(model_.EditLoadSrt.enabled);
    {
        const QSignalBlocker b1(noIfo_), b2(pal_), b3(ntsc_);
        noIfo_->setChecked(model_.i_dont_have_ifo.checked);
        pal_->setChecked(model_.Pal.checked);
        ntsc_->setChecked(model_.Ntsc.checked);
        pal_->setEnabled(model_.Pal.enabled);
        ntsc_->setEnabled(model_.Ntsc.enabled);
    }
    for (auto& [box, combo] : combos_) SyncCombo(box, *combo);
    {
        const QSignalBlocker b1(offset_), b2(offsetOr_);
        offset_->setRange(model_.offset.min, model_.offset.max);
        offset_->setValue(model_.offset.position);
        offsetOr_->setRange(model_.offset_or.min, model_.offset_or.max);
        offsetOr_->setValue(model_.offset_or.position);
    }
    labelOffset_->setText(ToQString(model_.LabelOffset.caption));
    labelOffsetOr_->setText(ToQString(model_.LabelOffset_Or.caption));
    {
        // A position past the end shows a full bar, as the model's bar
        // keeps it; a bar without steps (one subtitle) is full once its
        // position has moved at all. An empty range would make Qt's bar
        // show a busy animation instead.
        const TProgressBar& bar = model_.ProgressBar1;
        const int min = bar.min, max = std::max(bar.min + 1, bar.max);
        const int value =
            bar.max <= bar.min ? (bar.position > bar.min ? max : min) : std::clamp(bar.position, min, max);
        progress_->setRange(min, max);
        progress_->setValue(value);
    }
    generate_->setText(WithMnemonic(model_.ButtonGenerateSup.caption));
    generate_->setEnabled(model_.ButtonGenerateSup.enabled);
    batch_->setEnabled(model_.ButtonBatch.enabled);
    for (const auto& [box, kind] : outputBoxes_) {
        const QSignalBlocker b(box);
        const TCheckBox& state = model_.OutputCheckBox(kind);
        box->setChecked(state.checked);
        box->setEnabled(state.enabled);
    }
    {
        const QSignalBlocker b(wrap_);
        wrap_->setChecked(model_.CheckBoxWrap.checked);
        wrap_->setEnabled(model_.CheckBoxWrap.enabled);
    }
    {
        const QSignalBlocker b(anchor_);
        anchor_->setChecked(model_.CheckBoxAnchorBottom.checked);
        anchor_->setEnabled(model_.CheckBoxAnchorBottom.enabled);
    }
    if (mux_) {
        const QString tip = ToQString(model_.CheckBoxMux.caption) +
                            (model_.Mux.video.empty() ? QString() : "\n" + ToQString(model_.Mux.video));
        mux_->setToolTip(tip);
        film_->setText(ToQString(model_.LabelFilm.caption));
        film_->setToolTip(ToQString(model_.Mux.video));
    }
    {
        const QSignalBlocker b(files_);
        if (shownFiles_ != model_.ListBoxFiles.items) {
            files_->clear();
            for (size_t i = 0; i < model_.ListBoxFiles.items.size(); ++i) {
                files_->addItem(ToQString(model_.ListBoxFiles.items[i]));
                if (i < model_.SubtitleFiles.size())
                    files_->item(int(i))->setToolTip(ToQString(model_.SubtitleFiles[i].file));
            }
            shownFiles_ = model_.ListBoxFiles.items;
        }
        files_->setCurrentRow(model_.ListBoxFiles.itemIndex);
        files_->setEnabled(model_.ListBoxFiles.enabled);
        const std::pair<QPushButton*, const TButton*> buttons[] = {
            {addFiles_, &model_.ButtonAddFiles},
            {removeFile_, &model_.ButtonRemoveFile},
            {fileUp_, &model_.ButtonFileUp},
            {fileDown_, &model_.ButtonFileDown},
            {outputFolder_, &model_.ButtonOutputFolder},
            {outputFolderClear_, &model_.ButtonOutputFolderClear},
        };
        for (const auto& [button, state] : buttons) button->setEnabled(state->enabled);
        if (!language_->hasFocus() || language_->text().toStdString() != model_.EditLanguage.text)
            language_->setText(ToQString(model_.EditLanguage.text));
        language_->setEnabled(model_.EditLanguage.enabled);
        editOutput_->setText(ToQString(model_.EditOutputFolder.text));
        editOutput_->setToolTip(ToQString(model_.EditOutputFolder.text));
    }
    for (const auto& [box, tip] : pgsBoxes_) box->setToolTip(tip + ": " + box->currentText());
    {
        const QSignalBlocker b(list_);
        // Entries show as the chosen character set reads them, so a change of
        // it shows them anew.
        const int charset = model_.SubtitleCharset();
        if (shownItems_ != model_.ListBox1.items || shownCharset_ != charset) {
            list_->clear();
            for (const auto& item : model_.ListBox1.items) list_->addItem(ToQString(model_.ShownText(item)));
            shownItems_ = model_.ListBox1.items;
            shownCharset_ = charset;
        }
        list_->setCurrentRow(model_.ListBox1.itemIndex);
        list_->setEnabled(model_.ListBox1.enabled);
    }
    SyncSwatches();
    const Frame& frame = model_.preview;
    if (frame.Width() > 0 && frame.Height() > 0) {
        // The frame's pixels are 0x00RRGGBB words: Qt's RGB32 layout.
        const QImage image(reinterpret_cast<const uchar*>(frame.Pixels().data()), frame.Width(),
                           frame.Height(), frame.Width() * 4, QImage::Format_RGB32);
        // A 16:9 film's frame is shown as the player shows it: as wide as
        // the preview, the height cut to 9/16 of it, centred.
        if (model_.Widescreen) {
            const int shownHeight = frame.Width() * 9 / 16;
            preview_->setPixmap(QPixmap::fromImage(
                image.scaled(frame.Width(), shownHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
            preview_->setGeometry(40, 126 + (frame.Height() - shownHeight) / 2, frame.Width(), shownHeight);
        } else {
            preview_->setPixmap(QPixmap::fromImage(image));
            preview_->setGeometry(40, 126, frame.Width(), frame.Height());
        }
    }
}

void MainWindow::ApplyPlacement() {
    std::vector<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->geometry();
        screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
    const QRect frame = frameGeometry();
    if (PlacementReachable(model_.Placement, frame.width(), screens)) {
        // Wholly on the screen, clear of its panels, however the scale has
        // changed since the place was stored.
        std::vector<ScreenArea> available;
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect r = screen->availableGeometry();
            available.push_back({r.x(), r.y(), r.width(), r.height()});
        }
        const DesktopPoint at = KeptOnScreen(model_.Placement, frame.width(), frame.height(), available);
        move(at.x, at.y);
        placed_ = true;
        return;
    }
    // A first start, or a stored place that would lose the window: centred
    // on the screen, as a new window opens.
    if (placed_) return;
    placed_ = true;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect r = screen->availableGeometry();
    const DesktopPoint at = CentredOn({r.x(), r.y(), r.width(), r.height()}, frame.width(), frame.height());
    move(at.x, at.y);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    model_.Placement.valid = true;
    model_.Placement.left = pos().x();
    model_.Placement.top = pos().y();
    model_.Placement.minimized = isMinimized();
    model_.FormClose();
    event->accept();
}

}  // namespace glyphon
