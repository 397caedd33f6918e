#include <gtest/gtest.h>

#include "platform/ecdsa_signature.h"

namespace qs {
namespace {

using bytes = std::vector<std::uint8_t>;

bytes cat(bytes a, const bytes& b)
{
    for (std::uint8_t byte : b) a.push_back(byte);
    return a;
}

// DER of SEQUENCE { INTEGER r, INTEGER s } from the integers' content bytes as given.
bytes der(const bytes& r, const bytes& s)
{
    const bytes head = {0x30, static_cast<std::uint8_t>(4 + r.size() + s.size()), 0x02,
                        static_cast<std::uint8_t>(r.size())};
    return cat(cat(cat(head, r), {0x02, static_cast<std::uint8_t>(s.size())}), s);
}

bytes run(std::size_t n, std::uint8_t value) { return bytes(n, value); }

TEST(EcdsaDer, FullShortAndPaddedIntegersLandRightAlignedInRAndS)
{
    bytes r = run(32, 0x11), s = run(32, 0x22);
    r[0] = 0x7F;
    auto raw = ecdsa_der_to_raw(der(r, s));
    ASSERT_TRUE(raw);
    EXPECT_EQ(bytes(raw->begin(), raw->begin() + 32), r);
    EXPECT_EQ(bytes(raw->begin() + 32, raw->end()), s);

    // A high first byte needs the one leading zero; short values are padded with zeros in front.
    raw = ecdsa_der_to_raw(der(cat({0x00}, run(32, 0xF0)), {0x05}));
    ASSERT_TRUE(raw);
    EXPECT_EQ(bytes(raw->begin(), raw->begin() + 32), run(32, 0xF0));
    EXPECT_EQ(bytes(raw->begin() + 32, raw->end()), cat(run(31, 0x00), {0x05}));

    // The longest P-256 signature there is: 72 bytes.
    const bytes longest = der(cat({0x00}, run(32, 0x80)), cat({0x00}, run(32, 0x81)));
    EXPECT_EQ(longest.size(), max_ecdsa_p256_der_bytes);
    EXPECT_TRUE(ecdsa_der_to_raw(longest));
}

TEST(EcdsaDer, EverythingButStrictDerIsRefused)
{
    const bytes r = run(32, 0x11), s = run(32, 0x22);
    const bytes good = der(r, s);
    struct bad_case { const char* name; bytes input; };
    bytes wrong_total = good;
    wrong_total[1] += 1;
    bytes short_total = good;
    short_total[1] -= 1;
    bytes wrong_inner = good;
    wrong_inner[3] = 33;
    bytes not_sequence = good;
    not_sequence[0] = 0x31;
    bytes not_integer = good;
    not_integer[2] = 0x03;
    const bytes long_form = cat({0x30, 0x81, 0x44}, bytes(good.begin() + 2, good.end()));
    const std::vector<bad_case> cases = {
        {"empty", {}},
        {"header only", {0x30, 0x00}},
        {"one integer", {0x30, 0x03, 0x02, 0x01, 0x01}},
        {"total length too long", wrong_total},
        {"total length too short", short_total},
        {"inner length past the end", wrong_inner},
        {"not a sequence", not_sequence},
        {"not an integer", not_integer},
        {"long-form length", long_form},
        {"trailing byte", cat(good, {0x00})},
        {"three integers", cat(der(r, s), {0x02, 0x01, 0x01})},
        {"negative r", der(run(32, 0x80), s)},
        {"zero s", der(r, {0x00})},
        {"empty integer", der(r, {})},
        {"needless leading zero", der(cat({0x00}, run(31, 0x7F)), s)},
        {"two leading zeros", der(cat({0x00, 0x00}, run(31, 0x80)), s)},
        {"33 significant bytes", der(cat({0x01}, run(32, 0x00)), s)},
        {"far too long", cat(good, run(200, 0x00))},
    };
    for (const bad_case& each : cases) EXPECT_FALSE(ecdsa_der_to_raw(each.input)) << each.name;
    // Every cut of a good signature is refused, down to nothing.
    for (std::size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(ecdsa_der_to_raw(bytes(good.begin(), good.begin() + n))) << n;
}

}  // namespace
}  // namespace qs
