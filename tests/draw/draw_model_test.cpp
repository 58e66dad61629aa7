// The canvas and the renderer against the per-pixel model (draw_model.h) on
// 3,000 seeded random programs of calls.
#include <gtest/gtest.h>

#include <random>

#include "draw_model.h"

namespace
{

TEST(DrawModel, RandomProgramsAgreeWithThePixelModel)
{
    for (uint64_t seed = 1; seed <= 3000; ++seed) {
        std::mt19937_64 random(seed);
        draw_model::Program program([&] { return random(); });
        program.make_canvas();
        program.make_font();
        std::string failure = program.run(40);
        ASSERT_EQ(failure, "") << "seed " << seed;
    }
}

} // namespace
