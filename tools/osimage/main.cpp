#include "tools/osimage/COSImageTool.h"

#include <cstdio>

int main(int argc, char** argv)
{
    COSImageTool tool(stdout, stderr);
    return tool.Run(argc, argv);
}
