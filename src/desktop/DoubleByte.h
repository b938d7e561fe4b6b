#pragma once
// In the tool's texts a byte of 0x80 or above begins a two-byte character
// together with the byte after it, whatever the exact lead-byte ranges of the
// running code page.
inline bool BeginsDoubleByte(char byte) {
    return static_cast<unsigned char>(byte) >= 0x80;
}
