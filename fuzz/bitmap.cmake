# The image readers of the texture checks (BMP, TGA, JPEG).
korvel_fuzz_target(bitmap_reader LIBS zel)
