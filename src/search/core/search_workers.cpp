#include "search/core/search_workers.h"

#include "shots/random.h"

namespace Curling {

std::mt19937 WorkerGenerator(const SearchConfig& config) {
  return config.workerSeed ? std::mt19937(*config.workerSeed) : SeedWorkerGenerator();
}

void ReportWorkers(const WorkerOutcome& outcome, int count, std::ostream& log) {
  if (outcome.ran < count) {
    log << "search workers ran: " << outcome.ran << " of " << count << std::endl;
  }
  if (outcome.failed > 0) {
    log << "search workers failed: " << outcome.failed << " of " << outcome.ran << ": "
        << outcome.firstFailure << std::endl;
  }
}

std::vector<SearchConfig> WorkerConfigs(const SearchConfig& config, int count) {
  std::vector<SearchConfig> configs(static_cast<std::size_t>(std::max(count, 0)), config);
  if (config.settings.seeded) {
    for (SearchConfig& c : configs) c.workerSeed = DrawProcessSeed();
  }
  return configs;
}

}  // namespace Curling
