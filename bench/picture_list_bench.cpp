// Times the folder picture list over a folder of 10,000 entries (a mix of pictures, other
// files, hidden files and folders), as opening a picture there does.
//   picture_list_bench [ENTRIES] [RUNS]
#include "picture/PictureList.h"

#include <QByteArray>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "zarovia-list-bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const char* exts[] = {".jpg",  ".JPG", ".bmp", ".txt", ".png",
                          ".Jpeg", ".ico", ".wmf", ".dat", ".emf"};
    for (int i = 0; i < entries; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%sIMG_%05d%s", i % 97 == 0 ? "." : "",
                      (i * 7919) % 100000, exts[i % 10]);
        if (i % 211 == 0)
            fs::create_directory(dir / name);
        else
            std::ofstream(dir / name).put('x');
    }
    const QByteArray opened = QByteArray::fromStdString((dir / "IMG_00000.jpg").string());
    std::vector<double> ms;
    std::size_t listed = 0;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        const auto pictures =
            zarovia::picture::listFolderPictures(*zarovia::systemFileSource(), opened);
        const auto end = std::chrono::steady_clock::now();
        listed = pictures.names.size();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "folder of %d entries: %zu pictures listed; min %.2f ms, median %.2f ms, max %.2f ms (%d "
        "runs)\n",
        entries, listed, ms.front(), ms[ms.size() / 2], ms.back(), runs);
    fs::remove_all(dir);
    return 0;
}
