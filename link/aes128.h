#pragma once

#include <array>
#include <cstdint>

// AES-128 forward cipher (FIPS-197). CFB mode needs no inverse cipher.
class Aes128
{
public:
    using Block = std::array<uint8_t, 16>;

    explicit Aes128(const uint8_t key[16]);

    void encryptBlock(uint8_t block[16]) const;

private:
    std::array<uint8_t, 176> m_roundKeys{};
};

// CFB-128 over `length` bytes in place; the register starts at `iv`.
void aes128CfbEncrypt(const Aes128 &cipher, const uint8_t iv[16], uint8_t *data, std::size_t length);
void aes128CfbDecrypt(const Aes128 &cipher, const uint8_t iv[16], uint8_t *data, std::size_t length);
