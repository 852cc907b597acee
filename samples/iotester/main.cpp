// IoTester: a test panel for the I/O pins and the status word of a motor, on the engine library.
#include "samples/common/gui/SampleMain.h"
#include "samples/iotester/gui/MainForm.h"

int main(int argc, char** argv)
{
    return vqxclient::RunSampleProgram<iotester::MainForm>(argc, argv, "Tessaraxon I/O Test", "iotester");
}
