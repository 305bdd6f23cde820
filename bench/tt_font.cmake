# Benchmark of TrueType text: TTFont::Init against plain FreeType glyph loads,
# MeasureText against a width-table byte loop, BlitGlyph against a
# read-modify-write loop.
add_executable(tt_font_bench ${CMAKE_CURRENT_SOURCE_DIR}/tt_font_bench.cpp)
target_link_libraries(tt_font_bench PRIVATE zel)
