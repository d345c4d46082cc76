#pragma once

#include <QDialog>

#include <map>

class Desktop;
class QGroupBox;
class QLabel;

// The About window: the product name (the main window's caption), the
// version, the author's name, e-mail and web address, and a line of thanks.
// It has no title bar and no buttons. Any key that produces a character and
// any click on the frame or a label close it; a click on the web address
// opens it in the browser and leaves the window open; a click on the margin
// outside the frame does nothing.
class frmSplash : public QDialog
{
    Q_OBJECT

public:
    // mainWindow is the window whose caption is the product name; the About
    // window is centred over it and modal while it shows.
    frmSplash(Desktop &desktop, QWidget *mainWindow);

    void Form_Load();
    void Form_KeyPress();
    void Frame1_Click();
    void Label1_Click();
    void Label2_Click();
    void Label4_Click();
    void lblProductName_Click();
    void lblWarning_Click();
    void lblCompany_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addLabel(const char *objectName, const QString &text, QRect geometry, void (frmSplash::*onClick)());
    void fitToText(QLabel *label, int width);

    Desktop &m_desktop;
    QWidget *m_mainWindow;
    QGroupBox *m_frame1 = nullptr;
    QLabel *m_productName = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_company = nullptr;
    // The handler of a click on the frame and on each label.
    std::map<QObject *, void (frmSplash::*)()> m_clickHandlers;
};
