// Flies the flock without a window and prints how it flew, once with the shipped
// trained sensors and once with random ones. Run it in data/:
//   flock_figures [SECONDS [FRAMES-PER-SECOND]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "app/HeadlessFlight.h"

namespace {

// The shipped decision maker with untrained sensors of random angles.
std::string writeRandomSensorSetup() {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "flock_random_sensors_setup.txt";
    std::ofstream out(path);
    out << "begin\n"
           "(file flock_decision_maker.txt)\n"
           "(vex::add_sensor (get QDM) center)\n"
           "(vex::add_sensor (get QDM) left)\n"
           "(vex::add_sensor (get QDM) right)\n";
    return path.string();
}

void printReport(const char* title, const flock::FlightReport& report) {
    double matchShare = report.decisions > 0 ? static_cast<double>(report.matches) / report.decisions : 0;
    std::printf("%-16s frames %lld, finite %s\n", title, static_cast<long long>(report.frames),
                report.allFinite ? "yes" : "no");
    std::printf("  distance from centre: mean %.3f, final %.3f\n", report.meanDistanceFromCentre,
                report.finalDistanceFromCentre);
    std::printf("  polarisation:         mean %.3f, final %.3f\n", report.meanPolarisation,
                report.finalPolarisation);
    std::printf("  decisions %lld, following their stimulus %lld (%.1f%%)\n",
                static_cast<long long>(report.decisions), static_cast<long long>(report.matches),
                100.0 * matchShare);
}

}  // namespace

int main(int argc, char** argv) {
    flock::FlightSettings settings;
    if (argc > 1) settings.seconds = std::atof(argv[1]);
    if (argc > 2) settings.framesPerSecond = static_cast<float>(std::atof(argv[2]));
    if (!(settings.seconds > 0) || !(settings.framesPerSecond > 0)) {
        std::cerr << "usage: flock_figures [SECONDS [FRAMES-PER-SECOND]]\n";
        return 2;
    }
    unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;

    std::srand(seed);
    flock::FlightReport trained = flock::flyHeadless(settings);
    std::srand(seed);
    settings.setupScript = writeRandomSensorSetup();
    flock::FlightReport random = flock::flyHeadless(settings);
    std::filesystem::remove(settings.setupScript);

    std::cout.flush();
    std::printf("\n");
    printReport("trained sensors", trained);
    printReport("random sensors", random);
    return 0;
}
