// Jogger: jogs two motors as an X and a Y axis through the engine library.
#include "samples/common/gui/SampleMain.h"
#include "samples/jogger/gui/JoggerForm.h"

int main(int argc, char** argv)
{
    return vqxclient::RunSampleProgram<jogger::JoggerForm>(argc, argv, "Jogger", "jogger");
}
