// The configuration bar's RebuildTree for a project of 30 ports x 120 motors x 3 associated files
// (goal: under 50 ms), and the tree's data alone. A plain program printing the figures; runs
// headless unless a display is asked for.

#include "app/framework/gui/CommandTable.h"
#include "app/project/ConfigTree.h"
#include "app/project/Project.h"
#include "app/project/gui/ConfigBar.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Fill(CProject& project)
{
    project.isDefault = false;
    project.Name = "Bench";
    project.Path = "/projects/bench";
    for (int p = 0; p < CProject::kMaxPorts; ++p) {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = "Com" + std::to_string(p + 1);
        port->CommType = p % 2 ? COMM_RS485 : COMM_RS232;
        project.AddPort(std::move(port));
        CCommPort& added = *project.Port(p);
        added.SetMaxMotors(MAX_MOTOR_ADDRESS);
        for (int a = 1; a <= MAX_MOTOR_ADDRESS; ++a) {
            CMotor* m = EnterDetectedMotor(added, a);
            m->Version = "450";
            m->IsAvailable = a % 3 != 0;
            m->ProgName = "prog" + std::to_string(a) + ".tqx";
            for (int f = 0; f < 3; ++f)
                m->AddAssociatedFile("/projects/bench/prog" + std::to_string(a + f) + ".tqs");
            m->SetMainAssociatedFile(0);
        }
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    CProject project;
    Fill(project);

    std::vector<double> data, whole;
    size_t items = 0;
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer t;
        t.start();
        const ConfigNode tree = BuildConfigTree(project);
        data.push_back(t.nsecsElapsed() / 1e6);
        items = tree.children.size();
    }
    fw::CommandTable commands;
    CConfigBar bar(commands);
    bar.resize(300, 600);
    bar.show();
    bar.SetProject(&project);
    for (int run = 0; run < 9; ++run) {
        QElapsedTimer t;
        t.start();
        bar.RebuildTree(false);
        QApplication::processEvents();
        whole.push_back(t.nsecsElapsed() / 1e6);
    }
    int count = 0;
    for (QTreeWidgetItemIterator it(bar.Tree()); *it; ++it)
        ++count;
    std::printf("configuration tree: %zu ports, %d items\n", items, count);
    std::printf("  tree data (BuildConfigTree):         median %.2f ms\n", Median(data));
    std::printf("  RebuildTree with its widget, painted: median %.2f ms (goal under 50 ms)\n", Median(whole));
    return 0;
}
