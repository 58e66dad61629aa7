// The header from C: the C11 translation unit's round trip.
#include "mstr_test_support.h"

extern "C" int mstr_c_round_trip(void);

namespace
{

TEST(MstrFromC, RoundTripThroughTheCInterface)
{
    EXPECT_EQ(mstr_c_round_trip(), 0) << "the C caller should have built \"key=value!\"";
}

} // namespace
