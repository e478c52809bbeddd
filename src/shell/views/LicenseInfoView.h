#pragma once

#include <QTextEdit>

// The licences of the open-source libraries the program uses, read from "OpenSourceLicense.txt"
// beside the executable; "QT_VERSION" in the text becomes the version of the Qt library the
// program runs on. A missing file gives an empty window.
class LicenseInfoView : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr const char* FileName = "OpenSourceLicense.txt";

    explicit LicenseInfoView(QWidget* parent = nullptr);

    // The text of a file in the executable's folder; empty when it cannot be read.
    static QString readBesideExecutable(const QString& fileName);
};
