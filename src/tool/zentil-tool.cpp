#include "tool/ToolMain.h"

int main(int argc, char** argv)
{
    return zentil::RunZentilTool(argc, argv);
}
