#pragma once

#include <QTextEdit>

// The program's own user licence, read from "VantelMIDILicense.txt" where the open-source
// licences are (LicenseInfoView::readLicenceText) and shown as it is. A missing file gives an empty window.
class EULAView : public QTextEdit
{
    Q_OBJECT

public:
    static constexpr const char* FileName = "VantelMIDILicense.txt";

    explicit EULAView(QWidget* parent = nullptr);
};
