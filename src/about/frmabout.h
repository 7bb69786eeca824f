#pragma once

#include <QDialog>

namespace kuokuo {

// The version window: title, version, a description, and the way to the system's
// system-information program.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    void StartSysInfo();

private:
    void Form_Load();
};

} // namespace kuokuo
