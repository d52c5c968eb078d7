#include "record/record_name.h"

#include <cstdio>

std::string record_file_name(int year, int month, int day, int hour, int minute, int second) {
    char name[64];
    std::snprintf(name, sizeof name, "k964-record-%04d-%02d-%02d-%02d%02d%02d.txt", year, month,
                  day, hour, minute, second);
    return name;
}
