// Makes the font and logo the player's panels read into one folder: the files the installed
// package carries for every demo. Usage: make_player_data FOLDER
#include "tools/Files.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        Content::savePlayerData(argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_player_data: %s\n", e.what());
        return 1;
    }
}
