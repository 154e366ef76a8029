"""Result arithmetic: score, Elo, error bar and the sequential test."""

import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import stats  # noqa: E402


class EloTest(unittest.TestCase):
    def test_score_counts_draws_as_halves(self):
        self.assertAlmostEqual(stats.score(10, 5, 5), 0.625)
        self.assertAlmostEqual(stats.score(0, 0, 4), 0.5)

    def test_elo_of_known_scores(self):
        self.assertAlmostEqual(stats.elo_of_score(0.5), 0.0)
        # 3 to 1 odds: 400 * log10(3).
        self.assertAlmostEqual(stats.elo_of_score(0.75), 190.848501887865, places=9)
        self.assertAlmostEqual(stats.elo_of_score(0.25), -190.848501887865, places=9)
        # 10 to 1 odds: exactly 400.
        self.assertAlmostEqual(stats.elo_of_score(10.0 / 11.0), 400.0, places=9)
        self.assertEqual(stats.elo_of_score(1.0), math.inf)
        self.assertEqual(stats.elo_of_score(0.0), -math.inf)

    def test_score_of_elo_inverts_elo_of_score(self):
        for elo in (-300.0, -5.0, 0.0, 42.0, 250.0):
            self.assertAlmostEqual(stats.elo_of_score(stats.score_of_elo(elo)), elo, places=9)

    def test_error_bar_of_a_known_result(self):
        # +10 -5 =5: score 0.625, per-game variance
        # (10 * 0.375^2 + 5 * 0.125^2 + 5 * 0.625^2) / 20 = 0.171875,
        # standard error sqrt(0.171875 / 20) = 0.0927025, and the 95% interval
        # 0.625 +/- 0.1816932 = [0.4433068, 0.8066932] in score, which is
        # [-39.5604, 248.1895] in Elo: half-width 143.8749.
        elo, error = stats.elo_with_error(10, 5, 5)
        self.assertAlmostEqual(elo, 88.7395, places=3)
        self.assertAlmostEqual(error, 143.8749, places=3)
        self.assertAlmostEqual(stats.score_variance(10, 5, 5), 0.171875)

    def test_error_bar_is_symmetric_in_the_players(self):
        elo, error = stats.elo_with_error(7, 3, 10)
        elo_back, error_back = stats.elo_with_error(3, 7, 10)
        self.assertAlmostEqual(elo, -elo_back)
        self.assertAlmostEqual(error, error_back)

    def test_error_bar_shrinks_with_more_games(self):
        _, small = stats.elo_with_error(60, 40, 100)
        _, large = stats.elo_with_error(6, 4, 10)
        self.assertLess(small, large)
        # Ten times the games: about sqrt(10) = 3.16 times narrower (not
        # exactly: the score interval is bent into Elo).
        self.assertAlmostEqual(large / small, math.sqrt(10.0), delta=0.15)

    def test_all_wins_has_no_finite_error_bar(self):
        elo, error = stats.elo_with_error(4, 0, 0)
        self.assertEqual(elo, math.inf)
        self.assertEqual(error, math.inf)

    def test_likelihood_of_superiority(self):
        self.assertAlmostEqual(stats.likelihood_of_superiority(5, 5), 0.5)
        # Phi((8 - 2) / sqrt(8 + 2)) = Phi(1.897367) = 0.971110.
        self.assertAlmostEqual(stats.likelihood_of_superiority(8, 2), 0.971110, places=5)


class SprtTest(unittest.TestCase):
    def test_bounds(self):
        lower, upper = stats.sprt_bounds(0.05, 0.05)
        self.assertAlmostEqual(lower, -math.log(19.0))
        self.assertAlmostEqual(upper, math.log(19.0))
        self.assertAlmostEqual(upper, 2.944439, places=6)
        lower, upper = stats.sprt_bounds(0.05, 0.10)
        self.assertAlmostEqual(lower, math.log(0.10 / 0.95))   # -2.2513
        self.assertAlmostEqual(upper, math.log(0.90 / 0.05))   # 2.8904
        with self.assertRaises(ValueError):
            stats.sprt_bounds(0.0, 0.05)

    def test_without_draws_it_is_walds_test(self):
        s0, s1 = 0.5, stats.score_of_elo(10.0)
        self.assertAlmostEqual(s1, 0.5143871841, places=9)
        expected = 12 * math.log(s1 / s0) + 7 * math.log((1 - s1) / (1 - s0))
        self.assertAlmostEqual(stats.sprt_llr(12, 7, 0, 0.0, 10.0), expected, places=12)
        # Only wins: each adds log(s1/s0); +100 Elo expects 0.640065.
        self.assertAlmostEqual(stats.sprt_llr(25, 0, 0, 0.0, 100.0),
                               25 * math.log(0.6400649998 / 0.5), places=8)

    def test_only_draws(self):
        # With no wins or losses the best draw rate is as high as the score
        # allows: 2 min(s, 1 - s); at s0 = 1/2 every game is a draw.
        s1 = stats.score_of_elo(100.0)
        self.assertAlmostEqual(stats.sprt_llr(0, 0, 6, 0.0, 100.0), 6 * math.log(2 * (1 - s1)))

    def test_most_likely_model_of_a_known_result(self):
        # +10 -5 =5 at an expected score of 1/2: the slope
        # 5/t - 15/(1 - t) vanishes at t = 1/4, so pw = pl = 3/8, pd = 1/4,
        # and the log-likelihood is 15 log(3/8) + 5 log(1/4) = -21.643911.
        value, draw = stats.trinomial_log_likelihood(10, 5, 5, 0.5)
        self.assertAlmostEqual(draw, 0.25, places=9)
        self.assertAlmostEqual(value, -21.643911, places=6)

    def test_llr_matches_a_search_over_draw_rates(self):
        def best(w, l, d, s):
            top = 2 * min(s, 1 - s)
            values = []
            for i in range(1, 200000):
                t = top * i / 200000.0
                values.append(w * math.log(s - t / 2) + d * math.log(t) + l * math.log(1 - s - t / 2))
            return max(values)
        for w, l, d, elo0, elo1 in ((10, 5, 5, 0.0, 10.0), (3, 9, 20, -5.0, 5.0), (40, 35, 2, 0.0, 20.0)):
            expected = best(w, l, d, stats.score_of_elo(elo1)) - best(w, l, d, stats.score_of_elo(elo0))
            self.assertAlmostEqual(stats.sprt_llr(w, l, d, elo0, elo1), expected, places=5)

    def test_llr_is_zero_halfway_between_the_hypotheses(self):
        # -20 and +20 Elo expect scores summing to 1: a score of one half
        # lies exactly between them.
        self.assertAlmostEqual(stats.sprt_llr(5, 5, 0, -20.0, 20.0), 0.0)
        self.assertAlmostEqual(stats.sprt_llr(5, 5, 7, -20.0, 20.0), 0.0)

    def test_llr_sign_follows_the_results(self):
        self.assertGreater(stats.sprt_llr(30, 10, 10, 0.0, 20.0), 0.0)
        self.assertLess(stats.sprt_llr(10, 30, 10, 0.0, 20.0), 0.0)
        self.assertEqual(stats.sprt_llr(0, 0, 0, 0.0, 20.0), 0.0)

    def test_verdicts(self):
        bounds = stats.sprt_bounds(0.05, 0.05)
        self.assertEqual(stats.sprt_verdict(3.0, bounds), "H1")
        self.assertEqual(stats.sprt_verdict(-3.0, bounds), "H0")
        self.assertIsNone(stats.sprt_verdict(0.2, bounds))
        # A clear result decides: +90 -30 =20 against elo0 0, elo1 20.
        llr = stats.sprt_llr(90, 30, 20, 0.0, 20.0)
        self.assertEqual(stats.sprt_verdict(llr, bounds), "H1")
        llr = stats.sprt_llr(30, 90, 20, 0.0, 20.0)
        self.assertEqual(stats.sprt_verdict(llr, bounds), "H0")


if __name__ == "__main__":
    unittest.main()
