#include "gui/ColorsHelpWindow.h"

#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPixmap>

#include "gui/ColorsPicture.h"

namespace glyphon {

TFormColorsHelp::TFormColorsHelp(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FormColorsHelp"));
    setWindowTitle(QStringLiteral("Colors Help"));
    setFixedSize(317, 174);
    setSizeGripEnabled(false);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    setFont(font);

    Label1 = new QLabel(QStringLiteral("ATTENTION"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Label1->move(115, 10);
    Label1->adjustSize();

    Info = new QLabel(QStringLiteral("For Antialias ,Outline and Text color please dont pick a blue color."),
                      this);
    Info->setObjectName(QStringLiteral("Info"));
    Info->setWordWrap(true);
    Info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Info->setGeometry(51, 30, 204, 26);

    Label7 = new QLabel(QStringLiteral("Colors Example"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->move(113, 80);
    Label7->adjustSize();

    colors = new QLabel(this);
    colors->setObjectName(QStringLiteral("colors"));
    colors->setGeometry(112, 94, 73, 73);
    colors->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    colors->setScaledContents(false);
}

void TFormColorsHelp::FormActivate() { colors->setPixmap(QPixmap::fromImage(ColorsPicture())); }

int TFormColorsHelp::ShowModal() {
    // Also loaded here: a platform without window activation (offscreen)
    // never sends the activation event.
    FormActivate();
    return exec();
}

bool TFormColorsHelp::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QDialog::event(e);
}

void ShowColorsHelp(QWidget* parent) {
    TFormColorsHelp* form =
        parent ? parent->findChild<TFormColorsHelp*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!form) form = new TFormColorsHelp(parent);
    form->ShowModal();
    if (!parent) delete form;
}

}  // namespace glyphon
