// Why a port cannot be opened, as Windows tells it: a COM port that does not exist. (That a
// port another program holds is refused cannot be shown under Wine, which does not keep a COM
// port to its first opener; rights play no part for a COM port.)

#include "window_fixture.h"

namespace apptest {
namespace {

using SequenceTest = WindowTest;

TEST_F(SequenceTest, StartOnAPortThatCannotBeOpenedSaysWhy) {
    MakeWindow();
    ExpectStartFails("COM29", "Устройство COM29 не существует.");
}

}  // namespace
}  // namespace apptest
