// What follows the main pass: the order of the instances and the
// retrospective validity rules of their states.
#pragma once

#include <vector>

#include "state/state_instance.hpp"
#include "state/trigger_table.hpp"

namespace tide {

// By start_pos, then t_start in the total order of doubles; stable, so
// ties keep the order in which the instances closed.
void order_instances(std::vector<StateInstance>& instances);

// Rejects, in this order: unclosed, too short, too few events, a required
// trigger without a hit inside the instance. The first failure decides.
void validate_instances(const StateMachineDecl& m, const TriggerTable& table, std::vector<StateInstance>& instances);

}  // namespace tide
