#include "EULAView.h"

#include "LicenseInfoView.h"

EULAView::EULAView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    resize(675, 300);
    setAttribute(Qt::WA_DeleteOnClose);
    setPlainText(LicenseInfoView::readLicenceText(QString::fromLatin1(FileName)));
}
