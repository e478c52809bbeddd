#pragma once

#include <QTextEdit>

// The licences of the open-source libraries the program uses, read from "OpenSourceLicense.txt"
// beside the executable; "QT_VERSION" in the text becomes the version of the Qt library the
// program runs on. A missing file is named in the window in place of the text.
class LicenseInfoView : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr const char* FileName = "OpenSourceLicense.txt";

    explicit LicenseInfoView(QWidget* parent = nullptr);

    // The text of a file in the executable's folder; when it cannot be read, a text that names it.
    static QString readBesideExecutable(const QString& fileName);
};
