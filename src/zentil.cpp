#include "app/PlayerMain.h"

int main(int argc, char** argv)
{
    return zentil::RunPlayer(argc, argv);
}
