#pragma once

#include <QTextEdit>

// The licences of the open-source libraries the program uses, read from "OpenSourceLicense.txt"
// (readLicenceText); "QT_VERSION" in the text becomes the version of the Qt library the
// program runs on. A missing file gives an empty window.
class LicenseInfoView : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr const char* FileName = "OpenSourceLicense.txt";

    explicit LicenseInfoView(QWidget* parent = nullptr);

    // The text of a licence file: from ../share/vantel-midi/ relative to the executable's folder
    // (an installed program: <prefix>/bin and <prefix>/share), or else from the executable's own
    // folder (the build tree, and systems that keep data beside the program). Empty when neither
    // can be read.
    static QString readLicenceText(const QString& fileName);
};
