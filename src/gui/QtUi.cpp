#include "gui/QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

#include "gui/AboutWindow.h"
#include "gui/ColorsHelpWindow.h"
#include "gui/FilmFrame.h"
#include "gui/MainWindow.h"

namespace glyphon {

QString ToQString(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

std::string ToDisplayText(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') continue;
        if (i + 1 < text.size() && text[i + 1] == '\n')
            text.erase(i, 1);
        else
            text[i] = '\n';
    }
    return text;
}

namespace {

// "label|pattern" as the dialog resource writes it; Qt wants "label (pattern)".
QString QtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos) return ToQString(filter);
    QString pattern = ToQString(filter.substr(bar + 1));
    pattern.replace(';', ' ');
    return ToQString(filter.substr(0, bar)) + " (" + pattern + ")";
}

}  // namespace

void QtUi::ShowMessage(const std::string& text) {
    if (window_) window_->Sync();
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, ToQString(ToDisplayText(text)), QMessageBox::Ok,
                    window_);
    box.exec();
}

void QtUi::ShowError(const std::string& text) {
    if (window_) window_->Sync();
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, ToQString(ToDisplayText(text)), QMessageBox::Ok,
                    window_);
    box.exec();
}

bool QtUi::Execute(TOpenDialog& dialog) {
    QFileDialog dlg(window_, ToQString(dialog.title));
    dlg.setNameFilter(QtFilter(dialog.filter));
    dlg.setFileMode(dialog.folder        ? QFileDialog::Directory
                    : dialog.multiSelect ? QFileDialog::ExistingFiles
                    : dialog.mayCreate   ? QFileDialog::AnyFile
                                         : QFileDialog::ExistingFile);
    if (dialog.folder) dlg.setOption(QFileDialog::ShowDirsOnly);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    if (!dialog.fileName.empty()) {
        const QFileInfo info(ToQString(dialog.fileName));
        dlg.setDirectory(info.absolutePath());
        dlg.selectFile(info.fileName());
    } else if (!dialog.initialDir.empty()) {
        dlg.setDirectory(ToQString(dialog.initialDir));
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    dialog.fileName = dlg.selectedFiles().front().toLocal8Bit().toStdString();
    dialog.fileNames.clear();
    for (const QString& file : dlg.selectedFiles())
        dialog.fileNames.push_back(file.toLocal8Bit().toStdString());
    return true;
}

std::optional<Frame> QtUi::FilmFrame(const std::string& film, int64_t ms, int width, int height) {
    ShownFilmFrame& kept = filmFrame_;
    if (kept.film != film || kept.ms != ms || kept.width != width || kept.height != height) {
        kept = {film, ms, width, height, FilmFrameAt(film, ms, width, height)};
    }
    return kept.frame;
}

void QtUi::SyncThrottled() {
    constexpr qint64 kFrameMs = 33;
    if (!window_ || (lastSync_.isValid() && lastSync_.elapsed() < kFrameMs)) return;
    window_->Sync();
    lastSync_.start();
}

void QtUi::ProcessMessages() {
    SyncThrottled();
    QCoreApplication::processEvents();
}

void QtUi::ShowModalWindow(WindowKind kind) {
    if (window_) window_->Sync();
    if (kind == WindowKind::About)
        ShowAbout(window_);
    else
        ShowColorsHelp(window_);
}

void QtUi::Terminate(int exitStatus) {
    exitStatus_ = exitStatus;
    // Leave once the running handler has returned.
    QTimer::singleShot(0, qApp, [exitStatus] { QCoreApplication::exit(exitStatus); });
}

void QtUi::Changed() { SyncThrottled(); }

std::optional<Frame> QtUi::LoadPicture(const std::string& path) {
    QImage image;
    if (!image.load(ToQString(path))) return std::nullopt;
    image = image.convertToFormat(QImage::Format_RGB32);
    Frame frame(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        uint32_t* dst = frame.Row(y);
        for (int x = 0; x < image.width(); ++x) dst[x] = src[x] & 0x00FFFFFFu;
    }
    return frame;
}

}  // namespace glyphon
