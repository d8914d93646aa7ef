// Reading the test tables of tests/data: their lines without line ends, and the "%XX" escapes that
// let a table hold any byte.
#pragma once

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

// "%XX" is the byte with that hexadecimal code; everything else stands for itself.
inline std::string Unescape(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// Every line of the data file `name`, with its 1-based number; a missing file fails the test.
inline std::vector<std::pair<int, std::string>> ReadDataLines(const std::string& name) {
    std::ifstream file(std::string(MIROLAN_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name << " not found";
    std::vector<std::pair<int, std::string>> lines;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.emplace_back(number, line);
    }
    return lines;
}
