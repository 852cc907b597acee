#include "app/frame/gui/OptionsCommand.h"

#include "app/editor/gui/VQXView.h"
#include "app/framework/gui/DockDlg.h"
#include "app/project/gui/TerminalBar.h"
#include "app/setup/gui/AnalyzerWnd.h"
#include "app/frame/gui/MainFrame.h"
#include "app/shell/gui/AppContext.h"
#include "app/shell/gui/OptionsDlg.h"
#include "core/settings/Options.h"
#include "platform/registry/Profile.h"

void EditProgramOptions(CMainFrame& frame, CTerminalBar& bar)
{
    shell::CAppContext& context = frame.Context();
    COptions& options = context.Options();
    OptionsSurroundings s{options,
                          context.Scanner(),
                          platform::AppProfile(),
                          platform::DefaultRegistry(),
                          context.Questions(),
                          context.Desktop(),
                          context,
                          [&frame] {
                              for (CVQXView* view : frame.findChildren<CVQXView*>())
                                  view->HighlightSyntax();
                          },
                          [&bar] {
                              for (int i = 0; i < CTerminalBar::kPanes; ++i)
                                  bar.Pane(i).Clear();
                          },
                          [&frame, &options] {
                              if (auto* analyzer = qobject_cast<CSerialDataAnalyzerWnd*>(frame.AnalyzerBar()->widget())) {
                                  analyzer->ApplyOptions(options);
                                  analyzer->RefreshPage();
                              }
                          }};
    EditOptions(&frame, s);
    frame.RebuildFirmwareList();
}
