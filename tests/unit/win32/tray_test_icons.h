// Small icon files made in memory for the tray tests: one solid colour per size, 32 bits with alpha.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace traytest {

inline void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The image part of an icon: header, bottom-up colour rows, then the 1-bit mask (all opaque).
inline std::string SolidImage(int size, std::uint32_t bgra) {
    std::string image;
    const auto pixels = static_cast<std::uint32_t>(size * size);
    const auto maskBytes = static_cast<std::uint32_t>(((size + 31) / 32) * 4 * size);
    for (std::uint32_t value :
         {40u, static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(2 * size)}) {
        Put32(image, value);
    }
    Put16(image, 1);
    Put16(image, 32);
    Put32(image, 0);
    Put32(image, pixels * 4 + maskBytes);
    for (int i = 0; i < 4; ++i) {
        Put32(image, 0);
    }
    for (std::uint32_t i = 0; i < pixels; ++i) {
        Put32(image, bgra);
    }
    image.append(maskBytes, '\0');
    return image;
}

// An .ico file with one solid image per given size.
inline std::string SolidIco(std::uint32_t bgra, const std::vector<int>& sizes = {16}) {
    std::string file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, static_cast<std::uint32_t>(sizes.size()));
    std::string images;
    for (int size : sizes) {
        const std::string image = SolidImage(size, bgra);
        file += static_cast<char>(size);
        file += static_cast<char>(size);
        file += '\0';
        file += '\0';
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<std::uint32_t>(image.size()));
        Put32(file, static_cast<std::uint32_t>(6 + 16 * sizes.size() + images.size()));
        images += image;
    }
    return file + images;
}

} // namespace traytest
