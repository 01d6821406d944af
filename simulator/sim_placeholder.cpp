extern "C" int calder_sim_placeholder() { return 0; }
