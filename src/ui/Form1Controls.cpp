#include "Form1Controls.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// Twips to pixels of the screen the window opens on.
class TwipScale {
public:
    explicit TwipScale(const QScreen* screen)
        : x_(screen ? screen->logicalDotsPerInchX() : 96.0),
          y_(screen ? screen->logicalDotsPerInchY() : 96.0)
    {
    }
    QRect Rect(int left, int top, int width, int height) const
    {
        return {X(left), Y(top), X(width), Y(height)};
    }
    QSize Size(int width, int height) const { return {X(width), Y(height)}; }

private:
    int X(int twips) const { return qRound(twips * x_ / 1440.0); }
    int Y(int twips) const { return qRound(twips * y_ / 1440.0); }
    qreal x_, y_;
};

// The named faces first; where they are missing, the Japanese Gothic faces
// this platform ships (fonts-ipafont-gothic, then Noto CJK).
QFont GothicFont(QStringList families, int pointSize, QFont::StyleHint hint)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSize(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

QFont FixedGothic9()
{
    return GothicFont({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"),
                       QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP")},
                      9, QFont::Monospace);
}

QFont ProportionalGothic12()
{
    return GothicFont({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                       QStringLiteral("Noto Sans CJK JP")},
                      12, QFont::SansSerif);
}

template <typename Control>
Control* Place(QWidget* parent, const char* name, const QRect& rect)
{
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(rect);
    return control;
}

QGroupBox* Frame(QWidget* parent, const char* name, const QRect& rect, const QString& title)
{
    auto* frame = Place<QGroupBox>(parent, name, rect);
    frame->setTitle(title);
    return frame;
}

QPushButton* Button(QWidget* parent, const char* name, const QRect& rect, const QString& text)
{
    auto* button = Place<QPushButton>(parent, name, rect);
    button->setText(text);
    // Enter and Esc trigger nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QRect& rect)
{
    auto* label = Place<QLabel>(parent, name, rect);
    // A path is shown as it is, never taken for markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* Counter(QWidget* parent, const char* name, const QRect& rect)
{
    QLabel* label = Label(parent, name, rect);
    label->setFont(ProportionalGothic12());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* FilterBox(QWidget* parent, const char* name, const QRect& rect, const QString& tip)
{
    auto* box = Place<QLineEdit>(parent, name, rect);
    box->setFont(FixedGothic9());
    box->setText(QStringLiteral("ALL"));
    box->setToolTip(tip);
    // Direct keyboard input only: the filters are compared with log values as typed.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    return box;
}

} // namespace

Form1Controls Form1Controls::Create(QWidget& form)
{
    const TwipScale t(form.screen());
    form.resize(t.Size(9600, 4860));
    QFont uiFont = form.font();
    uiFont.setFamilies({uiFont.family(), QStringLiteral("IPAPGothic"),
                        QStringLiteral("Noto Sans CJK JP")});
    form.setFont(uiFont);

    Form1Controls c{};
    QWidget* w = &form;
    c.Frame1 = Frame(w, "Frame1", t.Rect(240, 360, 6255, 1455), QStringLiteral("HAMLOG.HDB の指定"));
    c.Command1 = Button(c.Frame1, "Command1", t.Rect(360, 360, 2175, 495),
                        QStringLiteral("指定開始"));
    c.Label1 = Label(c.Frame1, "Label1", t.Rect(360, 960, 5655, 255));
    c.Frame3 = Frame(w, "Frame3", t.Rect(240, 3000, 2535, 975), QStringLiteral("Rcv 欄"));
    c.Text1 = FilterBox(c.Frame3, "Text1", t.Rect(240, 360, 1935, 375),
                        QStringLiteral("Rcv 欄の文字列を指定する場合は ここに記述します "
                                       "複数指定の場合は カンマで区切ってください"));
    c.Frame4 = Frame(w, "Frame4", t.Rect(3000, 3000, 3015, 975), QStringLiteral("Band"));
    c.Text2 = FilterBox(c.Frame4, "Text2", t.Rect(240, 360, 2295, 375),
                        QStringLiteral("バンド指定の場合は、ここでバンドを記述します、"
                                       "複数指定の場合はカンマで区切ります。"));
    c.Frame5 = Frame(w, "Frame5", t.Rect(6120, 3000, 3255, 975), QStringLiteral("Mode"));
    c.Text3 = FilterBox(c.Frame5, "Text3", t.Rect(240, 360, 2655, 375),
                        QStringLiteral("モードを指定する場合はここに記述します、"
                                       "複数指定の場合はカンマで区切ります。"));
    c.Command3 = Button(w, "Command3", t.Rect(6960, 2040, 2055, 615), QStringLiteral("終了"));
    c.Command4 = Button(w, "Command4", t.Rect(6960, 360, 2055, 735), QStringLiteral("抽出開始"));
    c.Label5 = Label(w, "Label5", t.Rect(360, 4320, 8535, 255));
    c.Label5->setText(QStringLiteral("KORVEX は HAMLOG50.DLL と THDLL2VB.DLL の代わりに"
                                     "独自の読み取り処理でログを読んでいます"));
    c.Frame6 = Frame(w, "Frame6", t.Rect(3240, 2040, 1935, 735), QStringLiteral("Select"));
    c.Label4 = Counter(c.Frame6, "Label4", t.Rect(240, 240, 1335, 375));
    c.Frame7 = Frame(w, "Frame7", t.Rect(600, 2040, 1935, 735), QStringLiteral("Read"));
    c.Label3 = Counter(c.Frame7, "Label3", t.Rect(240, 240, 1335, 375));

    QWidget::setTabOrder(c.Command1, c.Text1);
    QWidget::setTabOrder(c.Text1, c.Text2);
    QWidget::setTabOrder(c.Text2, c.Text3);
    QWidget::setTabOrder(c.Text3, c.Command3);
    QWidget::setTabOrder(c.Command3, c.Command4);
    c.Command1->setFocus();
    return c;
}
