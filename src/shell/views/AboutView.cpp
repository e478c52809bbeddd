#include "AboutView.h"

#include <QFont>
#include <QPainter>

namespace {

const QFont& aboutFont()
{
    static const QFont font(QStringLiteral("Meiryo"));
    return font;
}

} // namespace

AboutView::AboutView(QWidget* parent)
    : QDialog(parent), description(QStringLiteral("MIDI tool for instrument developers.")),
      version(QStringLiteral("Vantel MIDI Ver.1.7.0")),
      notice(QStringLiteral("Free software notices: Help > Open Source License."))
{
    setFont(aboutFont());
    picture = QPixmap(QStringLiteral(":/images/about.png"));
    picture.setDevicePixelRatio(2.0);
    resize(Width, Height);
    setAttribute(Qt::WA_DeleteOnClose);
}

void AboutView::reject()
{
    if (QWidget* frame = parentWidget())
        frame->close();
    else
        QDialog::reject();
}

void AboutView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(0, 0, picture);
    painter.setPen(QColor(0, 0, 74));
    const QString lines[] = {description, version, notice};
    int top = height() - 100;
    for (const QString& line : lines) {
        painter.drawText(QRect(5, top, width(), 50), Qt::AlignCenter, line);
        top += 20;
    }
}
