#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

// The About box: the program's picture with its description, version and notice drawn over the
// lower part. The main window shows it frameless in the middle of its area and takes it away at
// the next mouse press anywhere in the application or the next menu command.
class AboutView : public QDialog
{
    Q_OBJECT

public:
    static constexpr int Width = 501;
    static constexpr int Height = 170;

    explicit AboutView(QWidget* parent = nullptr);

    QString descriptionLine() const { return description; }
    QString versionLine() const { return version; }
    QString noticeLine() const { return notice; }

public Q_SLOTS:
    // Escape closes the sub-window it sits in, not just the box inside it.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture;
    QString description;
    QString version;
    QString notice;
};
