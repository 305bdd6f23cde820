// Images written out as PNG files when they go, so tests of whole script runs can compare what scripts drew.
#pragma once

class GSOImage;

// Builds with test hooks only: with KORVEL_TEST_IMAGE_PNG_DIR set, an image
// that has pixels is written there as image-<n>.png, n counting the images
// made in the process from 1. Elsewhere nothing.
void DumpImageForTests(const GSOImage& image, int serial);
// The next image's serial number.
int NextImageSerial();
