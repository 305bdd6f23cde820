# The image readers of the texture checks (BMP, TGA, PNG, JPEG).
korvel_fuzz_target(bitmap_reader LIBS zel)
