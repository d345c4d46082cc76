#include "ui/frmsplash.h"

#include "sedarioconfig.h"
#include "sheet/chinesefonts.h"
#include "ui/desktop.h"
#include "ui/twips.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

using namespace Qt::StringLiterals;

frmSplash::frmSplash(Desktop &desktop, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint)
    , m_desktop(desktop)
    , m_mainWindow(mainWindow)
{
    setObjectName(u"frmSplash"_s);
    setModal(true);
    setFixedSize(Twips::toPixels(5385), Twips::toPixels(2355));

    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(u"Frame1"_s);
    m_frame1->setGeometry(Twips::rect(120, 0, 5160, 2235));
    m_frame1->installEventFilter(this);
    m_clickHandlers[m_frame1] = &frmSplash::Frame1_Click;

    m_productName = addLabel("lblProductName", u"软件名称"_s, Twips::rect(360, 480, 1500, 360), &frmSplash::lblProductName_Click);
    m_productName->setFont(ChineseFonts::songTi(18, QFont::Bold));

    addLabel("lblWarning", u"作者："_s + QString::fromUtf16(SedarioConfig::AuthorName), Twips::rect(2520, 480, 1005, 195),
             &frmSplash::lblWarning_Click);
    addLabel("Label4", u"E-mail:"_s + QString::fromUtf16(SedarioConfig::AuthorEmail), Twips::rect(2520, 840, 2415, 255),
             &frmSplash::Label4_Click);

    m_company = addLabel("lblCompany", QString::fromUtf16(SedarioConfig::WebAddress), Twips::rect(2520, 1200, 2415, 255),
                         &frmSplash::lblCompany_Click);
    QFont linkFont = ChineseFonts::songTi(9);
    linkFont.setUnderline(true);
    m_company->setFont(linkFont);
    fitToText(m_company, m_company->width());
    QPalette linkPalette = m_company->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Highlight));
    m_company->setPalette(linkPalette);
    m_company->setCursor(Qt::PointingHandCursor);

    m_version = addLabel("Label1", u"版本"_s, Twips::rect(480, 1080, 1095, 255), &frmSplash::Label1_Click);
    addLabel("Label2", u"感谢使用！有建议和需求请与我联系！"_s, Twips::rect(960, 1680, 3135, 255), &frmSplash::Label2_Click);

    Form_Load();
}

QLabel *frmSplash::addLabel(const char *objectName, const QString &text, QRect geometry, void (frmSplash::*onClick)())
{
    auto *label = new QLabel(text, m_frame1);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    fitToText(label, geometry.width());
    label->installEventFilter(this);
    m_clickHandlers[label] = onClick;
    return label;
}

void frmSplash::fitToText(QLabel *label, int width)
{
    // The labels keep their places. Where the desktop's font is larger than
    // the one the layout was drawn for, a label grows to show its whole text,
    // as far as the frame allows, rather than cutting it off.
    const QSize text = label->sizeHint();
    const int room = m_frame1->contentsRect().right() - label->x();
    label->resize(std::min(std::max(width, text.width()), room), std::max(label->height(), text.height()));
}

void frmSplash::Form_Load()
{
    // The product name grows or shrinks with its text, keeping its place.
    m_productName->setText(m_mainWindow->windowTitle());
    fitToText(m_productName, 0);
    m_version->setText(u"V"_s + QCoreApplication::applicationVersion());
}

void frmSplash::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    move(m_mainWindow->geometry().center() - rect().center());
}

void frmSplash::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // Without a title bar the window draws its own raised dialog frame.
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void frmSplash::keyPressEvent(QKeyEvent *event)
{
    // Keys that produce a character close the window (Esc, Enter, Backspace,
    // Space, letters, digits); arrows, function keys and modifiers do not.
    if (!event->text().isEmpty())
        Form_KeyPress();
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    auto *widget = qobject_cast<QWidget *>(watched);
    // A click is a press and a release over the same control, with the left
    // button; the press is taken so that it does not reach the frame too.
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton && widget
        && widget->rect().contains(mouse->position().toPoint())) {
        if (const auto handler = m_clickHandlers.find(watched); handler != m_clickHandlers.end())
            (this->*handler->second)();
    }
    return true;
}

void frmSplash::Form_KeyPress()
{
    done(QDialog::Accepted);
}
void frmSplash::Frame1_Click()
{
    done(QDialog::Accepted);
}
void frmSplash::Label1_Click()
{
    done(QDialog::Accepted);
}
void frmSplash::Label2_Click()
{
    done(QDialog::Accepted);
}
void frmSplash::Label4_Click()
{
    done(QDialog::Accepted);
}
void frmSplash::lblProductName_Click()
{
    done(QDialog::Accepted);
}
void frmSplash::lblWarning_Click()
{
    done(QDialog::Accepted);
}

void frmSplash::lblCompany_Click()
{
    m_desktop.openUrl(QUrl(QString::fromUtf16(SedarioConfig::WebAddress)));
}
