// The settings through the window: loaded into the controls at creation, written from them
// at shutdown after the port is closed, and a write failure shown without stopping shutdown.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QToolButton>
#include <fstream>

#include "window_fixture.h"

namespace apptest {
namespace {

using SettingsTest = WindowTest;

TEST_F(SettingsTest, RoundTripThroughAWindowClose) {
    PseudoTerminal line(/*holdSlave=*/false);
    MakeWindow();
    form_->cbbSpeed->setCurrentIndex(2);
    form_->chkNEW->setChecked(false);
    StartOn(line);

    bool portClosedFirst = false;
    console::TForm1* form = form_.get();  // form_ is already empty while it is destroyed
    QObject::connect(form, &console::TForm1::SettingsSaving, [&] {
        portClosedFirst =
            form->Comm321() == nullptr && line.HungUp() && !std::filesystem::exists(SettingsFile());
    });
    const auto box = CloseBoxDuring([&] { DestroyWindow(); });
    EXPECT_FALSE(box.has_value());
    EXPECT_TRUE(portClosedFirst);
    ASSERT_TRUE(std::filesystem::exists(SettingsFile()));

    MakeWindow();
    EXPECT_EQ(form_->cbbCom->currentText().toStdString(), line.Path());
    EXPECT_EQ(form_->cbbSpeed->currentIndex(), 2);
    EXPECT_EQ(form_->cbbSetSpeed->currentIndex(), 2);
    EXPECT_FALSE(form_->chkNEW->isChecked());
    EXPECT_FALSE(form_->Protocol.FiveByteReplies) << "loading a change runs chkNEWClick";
}

TEST_F(SettingsTest, ASpeedOutsideTheTableLeavesBothListsWithoutARow) {
    std::ofstream(SettingsFile()) << "[Main]\nPort=COM9\nSpeed=7\n5byte=1\n";
    MakeWindow();
    EXPECT_EQ(form_->cbbCom->currentText(), "COM9");
    EXPECT_EQ(form_->cbbSpeed->currentIndex(), -1);
    EXPECT_EQ(form_->cbbSetSpeed->currentIndex(), -1);
    EXPECT_TRUE(form_->chkNEW->isChecked());
    DestroyWindow();
    std::ifstream written(SettingsFile());
    const std::string text((std::istreambuf_iterator<char>(written)), {});
    EXPECT_NE(text.find("Speed=-1"), std::string::npos) << text;
}

TEST_F(SettingsTest, AnUnwritableFileIsReportedAndShutdownCompletes) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("dravik.ini")));  // a directory in the way
    PseudoTerminal line(/*holdSlave=*/false);
    MakeWindow();
    StartOn(line);
    const auto box = CloseBoxDuring([&] { DestroyWindow(); });
    EXPECT_EQ(form_, nullptr);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Text.toStdString(), "Unable to write to " + SettingsFile().string() + ".");
    EXPECT_EQ(box->Icon, QMessageBox::Critical);
    EXPECT_TRUE(line.HungUp());
}

}  // namespace
}  // namespace apptest
