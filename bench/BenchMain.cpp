// `make bench`: every benchmark case, one table, a non-zero exit when a case failed.
//   bench_suite [filter]   runs the cases whose name contains filter (all without one)
#include "bench/CompileCases.h"
#include "bench/LineCases.h"

#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--compile-once") == 0)
        return bench::CompileOnce();
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        std::strncpy(self, argv[0], sizeof self - 1);
    std::vector<bench::Case> cases;
    for (auto& list : {bench::CompileCases(self), bench::LineCases()})
        for (const bench::Case& c : list)
            if (argc < 2 || c.name.find(argv[1]) != std::string::npos)
                cases.push_back(c);
    return bench::RunCases(cases);
}
